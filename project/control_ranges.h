// The ranges of the windows' controls, in one place: the spin boxes and lists are built with
// them, and every value read from a project file, the preferences or the command line is
// brought into them before anything uses it. Here, below the project file, so that its reader
// and every layer above share the one table.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "unwrap/unwrap.h"

// A spin box of whole numbers; a value outside goes to the nearer end.
struct SpinRange {
  int low, high;
  constexpr int clamp(int64_t value) const {
    return static_cast<int>(std::clamp<int64_t>(value, low, high));
  }
  constexpr bool contains(int64_t value) const { return value >= low && value <= high; }
};

// A drop-down list of `count` items; a value that is no item's index selects the first item,
// as the list itself does when asked to show an item it does not have.
struct ListRange {
  int count;
  constexpr int pick(int64_t value) const {
    return value >= 0 && value < count ? static_cast<int>(value) : 0;
  }
};

// A drop-down list whose items are the values of Mode in order, so that an item's index is the
// mode's number, which files store.
template <typename Mode>
struct ModeList : ListRange {
  constexpr Mode pick(int64_t value) const { return static_cast<Mode>(ListRange::pick(value)); }
  // The item that shows the mode; a number outside the list goes to the nearer end.
  constexpr int index(Mode mode) const { return std::clamp(static_cast<int>(mode), 0, count - 1); }
};

namespace controlRange {

// Main window. The texture width and height lists hold the sides of kTextureSideList (below).
inline constexpr ModeList<MapMode> mapMode{{3}};  // keep, exact, smooth
inline constexpr SpinRange maxAngle{1, 89};
inline constexpr SpinRange margin{0, 64};
inline constexpr SpinRange maxStretch{1, 1000};
inline constexpr ModeList<RotateMode> rotate{{3}};
inline constexpr ModeList<UpAxis> upAxis{{2}};
inline constexpr ModeList<MirrorAxis> mirror{{4}};

// Preferences dialog: minutes, 0 = off.
inline constexpr SpinRange autosave{0, 120};

// 3D window.
inline constexpr ListRange viewMode{5};
inline constexpr ListRange tool{9};
inline constexpr SpinRange brushSize{1, 400};
inline constexpr SpinRange opacity{1, 100};
inline constexpr SpinRange hardness{0, 100};
inline constexpr ListRange brushTip{4};
inline constexpr ListRange paintSource{3};     // colour, stencil, pattern
inline constexpr SpinRange patternTileCm{1, 100000};
inline constexpr ListRange patternRotate{4};
inline constexpr ListRange patternMapping{2};  // triplanar, anchor
inline constexpr SpinRange patternOffsetPercent{-100, 100};
inline constexpr SpinRange stencilOpacity{0, 100};  // "View %"

// Not controls, but kept within bounds by the 3D window's own gestures: the camera's tilt
// (navigation) and the stencil's size (Ctrl+wheel).
inline constexpr double pitchLimit = 89;
inline constexpr double stencilScaleLow = 0.01;

}  // namespace controlRange

// The items of the texture width and height lists: the fields of kTextureSideList.
constexpr const char* kTextureSideList = "32,64,128,256,512,1024,2048";
std::vector<std::string> textureSideItems();
// The index of the item whose text is `side`; 0 when no item is.
int textureSideIndex(int64_t side);
// The side the list shows for `side`: itself when it is an item, else the first item.
int textureSide(int64_t side);
