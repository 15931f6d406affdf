// The table of the unwrap settings: the main window's controls, the project keys, the batch
// options and the preferences that remember some of them for new projects.
#pragma once

#include "base/setting.h"
#include "unwrap/unwrap.h"

using UnwrapSetting = Setting<UnwrapSettings>;

namespace unwrapSetting {

// The sides the texture width and height lists offer.
inline constexpr int kTextureSides[] = {32, 64, 128, 256, 512, 1024, 2048};
inline constexpr const char* kMapModeWords[] = {"keep", "exact", "smooth"};
inline constexpr const char* kRotateLabels[] = {"No", "Lying pieces only", "All (best fill)"};
inline constexpr const char* kRotateWords[] = {"no", "lying", "all"};
inline constexpr const char* kUpAxisLabels[] = {"Z up (usual for .3ds)", "Y up (.obj with Y Up)"};
inline constexpr const char* kUpAxisWords[] = {"z", "y"};
inline constexpr const char* kPackLabels[] = {"Standard", "Tight (slower)"};
inline constexpr const char* kPackWords[] = {"standard", "tight"};
inline constexpr const char* kMirrorLabels[] = {"No", "Left - right", "Front - back", "Up - down"};
inline constexpr const char* kMirrorWords[] = {"none", "x (left - right)", "z (front - back)",
                                               "y (up - down)"};

inline constexpr UnwrapSetting mapMode{.key = "MapMode", .kind = SettingKind::list,
    .field = fieldOf<&UnwrapSettings::mapMode>, .high = 2, .option = "--mapping",
    .metavar = "MODE", .help = "{words} (default {default})", .words = kMapModeWords};
inline constexpr UnwrapSetting layoutWidth{.key = "TexW", .kind = SettingKind::side,
    .field = fieldOf<&UnwrapSettings::layoutWidth>, .sides = kTextureSides};
inline constexpr UnwrapSetting layoutHeight{.key = "TexH", .kind = SettingKind::side,
    .field = fieldOf<&UnwrapSettings::layoutHeight>, .sides = kTextureSides};
inline constexpr UnwrapSetting maxAngle{.key = "Angle", .kind = SettingKind::number,
    .field = fieldOf<&UnwrapSettings::maxAngle>, .low = 1, .high = 89, .option = "--angle",
    .metavar = "N", .help = "max. angle between faces, {range} degrees (default {default})",
    .unit = "degrees"};
inline constexpr UnwrapSetting margin{.key = "Margin", .kind = SettingKind::number,
    .field = fieldOf<&UnwrapSettings::margin>, .low = 0, .high = 64, .option = "--margin",
    .metavar = "N", .help = "margin in pixels, {range} (default {default})", .unit = "pixels"};
inline constexpr UnwrapSetting maxStretch{.key = "Stretch", .kind = SettingKind::number,
    .field = fieldOf<&UnwrapSettings::maxStretch>, .low = 1, .high = 1000, .option = "--stretch",
    .metavar = "N", .help = "max. stretch % for smooth mapping, {range} (default {default})",
    .unit = "percent"};
inline constexpr UnwrapSetting rotate{.key = "Rotate", .kind = SettingKind::list,
    .field = fieldOf<&UnwrapSettings::rotateMode>, .high = 2, .labels = kRotateLabels,
    .option = "--rotate", .metavar = "MODE", .help = "turn pieces: {words} (default {default})",
    .words = kRotateWords};
inline constexpr UnwrapSetting upAxis{.key = "UpAxis", .kind = SettingKind::list,
    .field = fieldOf<&UnwrapSettings::upAxisChoice>, .high = 1, .labels = kUpAxisLabels,
    .option = "--up", .metavar = "AXIS",
    .help = "{words} (default y for .obj files, z for others)", .words = kUpAxisWords};
inline constexpr UnwrapSetting merge{.key = "Merge", .kind = SettingKind::flag,
    .field = fieldOf<&UnwrapSettings::mergeSurfaces>, .option = "--no-combine",
    .help = "do not combine pieces into fewer surfaces"};
inline constexpr UnwrapSetting mirror{.key = "Mirror", .kind = SettingKind::list,
    .field = fieldOf<&UnwrapSettings::mirrorAxis>, .high = 3, .labels = kMirrorLabels,
    .option = "--mirror", .metavar = "AXIS", .help = "{words}", .words = kMirrorWords};
// The project file keeps "Pack" only for Tight, so a Standard project's file stays as it was
// before there was a choice.
inline constexpr UnwrapSetting pack{.key = "Pack", .kind = SettingKind::list,
    .field = fieldOf<&UnwrapSettings::packMode>, .high = 1, .labels = kPackLabels,
    .option = "--pack", .metavar = "MODE", .help = "{words} (default {default})",
    .words = kPackWords};
inline constexpr UnwrapSetting layerUnwrap{.key = "LayerUnwrap", .kind = SettingKind::flag,
    .field = fieldOf<&UnwrapSettings::layerUnwrap>, .option = "--per-layer",
    .help = "unwrap per layer (layers = surfaces)"};

}  // namespace unwrapSetting

// Every unwrap setting in the order of the project file, where "LayerUnwrap" (the last) comes
// after the 3D window's keys and "Pack" is written only when it is Tight.
inline constexpr const UnwrapSetting* kUnwrapSettings[] = {
    &unwrapSetting::mapMode, &unwrapSetting::layoutWidth, &unwrapSetting::layoutHeight,
    &unwrapSetting::maxAngle, &unwrapSetting::margin,     &unwrapSetting::maxStretch,
    &unwrapSetting::rotate,  &unwrapSetting::upAxis,      &unwrapSetting::merge,
    &unwrapSetting::mirror,  &unwrapSetting::pack,        &unwrapSetting::layerUnwrap};
