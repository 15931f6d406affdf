// The tables of the 3D window's settings: the view (camera and view mode), the brush, the
// stencil and the pattern. Project keys in the order of the file, ranges, the items of the
// lists and the batch options that set them; the default is the record's member initializer.
#pragma once

#include "base/setting.h"
#include "paint/paint_state.h"

using ViewSetting = Setting<ViewState>;
using CameraSetting = Setting<Camera>;
using StencilSetting = Setting<StencilState>;
using PatternSetting = Setting<PatternState>;

namespace viewSetting {

inline constexpr const char* kViewModeLabels[] = {"Test pattern", "Texture", "Surface colours",
                                                  "Unwrap pieces", "Layer colours"};
// The view mode is read on its own: without it the window keeps what it shows.
inline constexpr ViewSetting viewMode{.key = "ViewMode", .kind = SettingKind::list,
    .field = fieldOf<&ViewState::viewMode>, .high = 4, .labels = kViewModeLabels};
// The camera: the navigation keeps the tilt within the range.
inline constexpr CameraSetting yaw{.key = "Yaw", .kind = SettingKind::real,
    .field = fieldOf<&Camera::yaw>, .decimals = 4};
inline constexpr CameraSetting pitch{.key = "Pitch", .kind = SettingKind::real,
    .field = fieldOf<&Camera::pitch>, .low = -89, .high = 89, .decimals = 4};
inline constexpr CameraSetting dist{.key = "Dist", .kind = SettingKind::real,
    .field = fieldOf<&Camera::dist>, .decimals = 6};
inline constexpr CameraSetting panX{.key = "PanX", .kind = SettingKind::real,
    .field = fieldOf<&Camera::panX>, .decimals = 6};
inline constexpr CameraSetting panY{.key = "PanY", .kind = SettingKind::real,
    .field = fieldOf<&Camera::panY>, .decimals = 6};

}  // namespace viewSetting

// Read only with a positive "Dist"; otherwise the window keeps its camera.
inline constexpr const CameraSetting* kCameraSettings[] = {&viewSetting::yaw, &viewSetting::pitch,
                                                         &viewSetting::dist, &viewSetting::panX,
                                                         &viewSetting::panY};

namespace brushSetting {

inline constexpr const char* kToolLabels[] = {
    "Brush", "Fill triangle", "Fill flat face", "Fill surface", "Fill layer",
    "Assign layer: triangle", "Assign layer: flat face", "Assign layer: connected part",
    "Assign layer: brush"};
inline constexpr const char* kTipLabels[] = {"Round", "Sponge", "Splatter", "Chalk"};
inline constexpr const char* kSourceLabels[] = {"Colour", "Stencil", "Pattern"};

inline constexpr ViewSetting tool{.key = "Tool", .kind = SettingKind::list,
    .field = fieldOf<&ViewState::tool>, .high = 8, .labels = kToolLabels};
inline constexpr ViewSetting colour{.key = "BrushColor", .kind = SettingKind::colour,
    .field = fieldOf<&ViewState::brushColor>};
inline constexpr ViewSetting size{.key = "BrushSize", .kind = SettingKind::number,
    .field = fieldOf<&ViewState::brushSize>, .low = 1, .high = 400, .option = "--brush-size",
    .metavar = "N", .help = "with --paint: brush diameter in pixels, {range}"};
inline constexpr ViewSetting opacity{.key = "Opacity", .kind = SettingKind::number,
    .field = fieldOf<&ViewState::opacity>, .low = 1, .high = 100, .option = "--opacity",
    .metavar = "N", .help = "with --paint: {range} %"};
inline constexpr ViewSetting hardness{.key = "Hardness", .kind = SettingKind::number,
    .field = fieldOf<&ViewState::hardness>, .low = 0, .high = 100, .option = "--hardness",
    .metavar = "N", .help = "with --paint: {range} %"};
inline constexpr ViewSetting tip{.key = "BrushTip", .kind = SettingKind::list,
    .field = fieldOf<&ViewState::brushTip>, .high = 3, .labels = kTipLabels, .option = "--tip",
    .metavar = "TIP", .help = "with --paint: {words}"};
inline constexpr ViewSetting edges{.key = "Edges", .kind = SettingKind::flag,
    .field = fieldOf<&ViewState::edges>};
// "Paint with"; stored after the stencil.
inline constexpr ViewSetting source{.key = "PaintSource", .kind = SettingKind::list,
    .field = fieldOf<&ViewState::paintSource>, .high = 2, .labels = kSourceLabels,
    .option = "--source", .metavar = "SOURCE", .help = "with --paint: paint with {words}"};

}  // namespace brushSetting

// The tool and brush: read only when the file has "Tool"; otherwise the window keeps its own.
inline constexpr const ViewSetting* kBrushSettings[] = {
    &brushSetting::tool,     &brushSetting::colour, &brushSetting::size, &brushSetting::opacity,
    &brushSetting::hardness, &brushSetting::tip,    &brushSetting::edges};

namespace stencilSetting {

// The size Ctrl+wheel keeps the stencil at, at least; a stored size of 0 or less is 1.
inline constexpr double kScaleLow = 0.01;

inline constexpr StencilSetting x{.key = "StencilX", .kind = SettingKind::real,
    .field = fieldOf<&StencilState::x>, .decimals = 2};
inline constexpr StencilSetting y{.key = "StencilY", .kind = SettingKind::real,
    .field = fieldOf<&StencilState::y>, .decimals = 2};
inline constexpr StencilSetting scale{.key = "StencilScale", .kind = SettingKind::real,
    .field = fieldOf<&StencilState::scale>, .decimals = 6};
inline constexpr StencilSetting angle{.key = "StencilAngle", .kind = SettingKind::real,
    .field = fieldOf<&StencilState::angle>, .decimals = 3};
inline constexpr StencilSetting show{.key = "StencilShow", .kind = SettingKind::flag,
    .field = fieldOf<&StencilState::show>};
// "View %".
inline constexpr StencilSetting opacity{.key = "StencilOpacity", .kind = SettingKind::number,
    .field = fieldOf<&StencilState::opacity>, .low = 0, .high = 100};

}  // namespace stencilSetting

// Written and read only with a stencil image, after "StencilFile".
inline constexpr const StencilSetting* kStencilSettings[] = {
    &stencilSetting::x,     &stencilSetting::y,    &stencilSetting::scale,
    &stencilSetting::angle, &stencilSetting::show, &stencilSetting::opacity};

namespace patternSetting {

inline constexpr const char* kRotateLabels[] = {"0°", "90°", "180°", "270°"};
inline constexpr const char* kMappingLabels[] = {"Triplanar", "Anchor (Shift+click)"};
inline constexpr const char* kMappingWords[] = {"triplanar", "anchor"};

// Metres on the model; the spin box and the option give centimetres. Without a positive
// value in the file the tile keeps its default size.
inline constexpr PatternSetting tile{.key = "PatternTile", .kind = SettingKind::real,
    .field = fieldOf<&PatternState::tile>, .low = 1, .high = 100000, .decimals = 4,
    .scale = 100, .option = "--tile", .metavar = "CM",
    .help = "the pattern's tile size, {range} cm", .unit = "centimetres"};
inline constexpr PatternSetting tint{.key = "PatternTint", .kind = SettingKind::flag,
    .field = fieldOf<&PatternState::tint>};
inline constexpr PatternSetting rotate{.key = "PatternRotate", .kind = SettingKind::cycle,
    .field = fieldOf<&PatternState::rotate>, .high = 3, .labels = kRotateLabels};
inline constexpr PatternSetting mapping{.key = "PatternMapping", .kind = SettingKind::cycle,
    .field = fieldOf<&PatternState::mapping>, .high = 1, .labels = kMappingLabels,
    .option = "--mapping-pattern", .help = "how the pattern is mapped onto the model",
    .words = kMappingWords};
// Both offsets in one key, "x,y", fractions of a tile; the spin boxes give percent.
inline constexpr PatternSetting offsetX{.key = "PatternOffset", .kind = SettingKind::real,
    .field = fieldOf<&PatternState::offsetX>, .low = -100, .high = 100, .decimals = 3,
    .scale = 100};
inline constexpr PatternSetting offsetY{.key = "PatternOffset", .kind = SettingKind::real,
    .field = fieldOf<&PatternState::offsetY>, .low = -100, .high = 100, .decimals = 3,
    .scale = 100};

}  // namespace patternSetting

// Read and written one by one, after "PaintSource"; "PatternOffset" follows as one key.
inline constexpr const PatternSetting* kPatternSettings[] = {
    &patternSetting::tile, &patternSetting::tint, &patternSetting::rotate,
    &patternSetting::mapping};
