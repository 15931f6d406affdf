// What the windows must show again after an event. Commands raise these flags instead of
// drawing; the event step hands them, merged, to every window that exists, once per event.
#pragma once

struct Changes {
  bool controls = false;     // the settings into the main window's controls, then which are
                             // enabled or shown and the two state texts
  bool report = false;       // the Info box shows the report
  bool uvView = false;       // the UV view is drawn again
  bool title = false;        // the window titles
  bool menus = false;        // which menu items can act (a model was loaded or unloaded)
  bool recentMenu = false;   // File > Recent is built again from the recent list
  bool view3d = false;       // the 3D view is rendered again
  bool overlay3d = false;    // the 3D view's overlays only (brush circle, stencil, texts)
  bool model3d = false;      // the 3D view shows the model anew: another model or layout
  bool open3d = false;       // the 3D window opens, or comes to the front when it is open
  bool reopen3d = false;     // an open 3D window starts again on another project
  bool quit = false;         // the program ends: the windows close

  Changes& operator|=(const Changes& other) {
    controls |= other.controls;
    report |= other.report;
    uvView |= other.uvView;
    title |= other.title;
    menus |= other.menus;
    recentMenu |= other.recentMenu;
    view3d |= other.view3d;
    overlay3d |= other.overlay3d;
    model3d |= other.model3d;
    open3d |= other.open3d;
    reopen3d |= other.reopen3d;
    quit |= other.quit;
    return *this;
  }
  bool operator==(const Changes&) const = default;
};

// A window's side of the event step: shows again what `changes` name and ignores the rest.
struct WindowRefresh {
  virtual ~WindowRefresh() = default;
  virtual void apply(const Changes& changes) = 0;
};
