// The main window's rules that need no toolkit: menu ids and which items can act, which
// controls are enabled or shown, the texts derived from the state, the UV canvas size and the
// window's minimum, the recent-files menu, when a settings change is unwrapped and the
// settings the window keeps in the preferences. The GTK window only applies what these say.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/background_job.h"
#include "app/preferences.h"
#include "app/session.h"
#include "unwrap/unwrap.h"

// The numbers the menu dispatcher switches on.
enum MenuId : int {
  kMenuNewProject = 0,
  kMenuOpen = 1,
  kMenuSave = 2,
  kMenuSaveAs = 3,
  kMenuSaveCopy = 4,
  kMenuExport = 5,
  kMenuQuit = 6,
  kMenuExportTexture = 7,
  kMenuImportTexture = 8,
  kMenuExportUvOverlay = 9,
  kMenuPreferences = 10,
  kMenuPreview3d = 11,
  kMenuUserGuide = 12,
  kMenuAbout = 13,
  kMenuRecentFirst = 14,  // one id per recent entry: 14 + its index
  kMenuRecentLast = 21,
};

// Whether a menu item can act now; the items that work on the model are greyed out while none
// is loaded (their shortcuts then do nothing either).
bool menuItemEnabled(int id, bool modelLoaded);
// Whether a menu item can act while work runs in the background: only those that neither
// open, save nor export (Quit waits for the work).
bool menuItemFreeWhileBusy(int id);

// A menu label that shows `text` as it is, with the byte at `index` as its mnemonic (none when
// `index` lies past the end): underscores of the text (a file name) are doubled so that they
// stay visible.
std::string mnemonicLabel(const std::string& text, size_t index = 0);

// What the control refresh derives from the state.
struct ControlStates {
  bool mappingEnabled = true;   // the three mapping radio buttons
  bool sizeEnabled = true;      // width and height lists
  bool upAxisEnabled = true;
  bool checkBoxesEnabled = true;  // combine and per layer
  bool maxAngleEnabled = true;
  bool marginEnabled = true;
  bool rotateEnabled = true;
  bool mirrorEnabled = true;
  bool packEnabled = true;
  bool maxStretchEnabled = false;
  std::string layoutStateText;
  std::string sizeText;  // "Create texture: Size in meters ..."
  bool changeLayoutVisible = false;
  bool lockLayoutVisible = false;
  bool cancelVisible = false;
  bool layoutButtonsEnabled = true;  // "Change layout...", "Lock layout" and "Cancel"
  bool paintingEnabled = true;       // the 3D window's tools and panel (the view keeps drawing)
  // The 3D window's layer-assign tools refuse while this is set: the layers decide a layout
  // that is locked.
  bool layerAssignBlocked = false;
};
// settings: those shown in the controls, which run ahead of the session's while a change waits
// for its unwrap. running: the work in the background. Work that makes or replaces the layout
// (an unwrap, an open) leaves nothing enabled that would change what it works on: the
// settings, the layout buttons and the painting. A save or export works on a copy and leaves
// them all as they are.
ControlStates controlStates(const Session& session, const UnwrapSettings& settings,
                            JobKind running = JobKind::none);

// "Create texture: Size in meters a x b": the longer side is 2 metres, the other in
// proportion, both with two decimals.
std::string textureSizeText(int width, int height);

// The UV view's canvas for a W x H texture: the longer side 768 pixels, the other in
// proportion (integer division), at least 1.
struct CanvasSize {
  int width = 0;
  int height = 0;
  bool operator==(const CanvasSize&) const = default;
};
constexpr int kUvCanvasSide = 768;
CanvasSize uvCanvasSize(int width, int height);

// Where the scrolling area that holds the UV view goes for a window whose inner size (below
// the menu bar) is innerWidth x innerHeight. Sizes never drop below 1.
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};
Rect uvScrollArea(int innerWidth, int innerHeight);
// The reverse: the smallest inner size at which the scrolling area gets width x height.
struct Size {
  int width = 0, height = 0;
  bool operator==(const Size&) const = default;
};
Size innerSizeForUvArea(int width, int height);

// The File > Recent sub-menu: one item per non-empty entry, labelled with its position (1 to 8),
// two spaces and the file name; a single disabled "(empty)" when there is none.
struct RecentItem {
  int id = 0;
  std::string label;
  bool enabled = true;
  bool operator==(const RecentItem&) const = default;
};
std::vector<RecentItem> recentMenuItems(const std::array<std::string, 8>& recentFiles);

// The main window's settings as stored in the preferences: `Smooth` wins over `Unwrap` (both
// zero keep the UVs), sizes and list indices that name no item give the first item, numbers
// outside their spin box's range are brought into it. Up axis, mirror and per layer always
// start at 0.
UnwrapSettings windowSettingsFromPreferences(const PreferencesFile& file);
// Written on quitting, in this order: Unwrap, Smooth, TexW, TexH, MaxAngle, Margin,
// MaxStretch, Rotate, Merge.
void storeWindowSettings(PreferencesFile& file, const UnwrapSettings& settings);

// The filters of a file dialog from "Description|*.a;*.b|Description|*.c" pairs. The patterns
// match any letter case, as the user expects of a file dialog ("*.3ds" also shows TANK.3DS),
// and "*.*" shows every file, also those without an extension. A description without its
// pattern part is left out.
struct FileFilter {
  std::string name;
  std::vector<std::string> patterns;  // shell globs
  bool operator==(const FileFilter&) const = default;
};
std::vector<FileFilter> fileFilters(const std::string& filter);

// A settings change of the main window whose unwrap has not started yet. Radio buttons, check
// boxes and lists start it at once. A spin box's value must first rest for
// kSpinRestMilliseconds with no arrow or step key held down in it, so that stepping through
// many values unwraps once; Enter or leaving the box starts it at once. Several changes
// before the start make one unwrap.
constexpr int64_t kSpinRestMilliseconds = 300;
class SettingsChange {
 public:
  static constexpr int64_t kNever = INT64_MAX;
  // A control changed at `now` (milliseconds of a steady clock). refresh: the control decides
  // which other controls are enabled. spin: a spin box's value.
  void changed(bool refresh, bool spin, int64_t now);
  // An arrow or step key is pressed down in a spin box (true) or let go (false).
  void held(bool down) { held_ = down; }
  // Enter in a spin box or the focus leaving it.
  void commit();
  bool pending() const { return pending_; }
  // When the unwrap is to start: a time not after now for at once, kNever while nothing is
  // pending or a spin box is held.
  int64_t startTime() const;
  // Whether the controls are refreshed with the unwrap (a pending change asked for it).
  bool refresh() const { return refresh_; }
  // The unwrap starts: returns refresh(); nothing is pending afterwards.
  bool take();

 private:
  bool pending_ = false;
  bool refresh_ = false;
  bool atOnce_ = false;
  bool held_ = false;
  int64_t lastChange_ = 0;
};

