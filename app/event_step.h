// One pass of the event loop, for an event of either window: the command runs to its end,
// then the after-event work (the 3D window's follow-up, the lock check, the title refresh),
// and then every window that exists shows again what the event changed, once.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "app/changes.h"
#include "app/controller.h"
#include "app/preferences.h"
#include "app/session.h"
#include "app/ui.h"

// The window an event belongs to.
enum class EventWindow { main, view3d };

class EventStep {
 public:
  // The recent list and the loaded model as `prefs` and `session` hold them now count as
  // shown.
  EventStep(Session& session, Controller& controller, Ui& ui, const Preferences& prefs);

  // The windows that are told what changed; null for one that does not exist (the 3D window
  // while it is closed).
  void setMainWindow(WindowRefresh* window) { mainWindow_ = window; }
  void set3dWindow(WindowRefresh* window) { window3d_ = window; }

  // Runs `command` as one event of `window`. An exception it, the after-event work or a
  // window's refresh throws is shown in a message box and the work done so far is kept. An
  // event that arrives while another runs (a dialog's own loop still delivers timer ticks and
  // drops) is dropped: returns false and runs nothing, so no handler ever re-enters.
  bool run(EventWindow window, const std::function<void()>& command);
  bool running() const { return running_; }
  bool quitRequested() const { return quitRequested_; }

 private:
  // After an event of the 3D window: the settings it changed make the project unsaved, and
  // its layer edits go to the source model, unwrapped again when the layers decide a layout
  // that is free.
  void followUp3dWindow();
  // The title after every event; the menus when the recent list or the loaded model changed.
  Changes afterEvent();
  // Runs `work`; an exception it throws is shown, not passed on.
  void guarded(const std::function<void()>& work);

  Session& session_;
  Controller& controller_;
  Ui& ui_;
  const Preferences& prefs_;
  WindowRefresh* mainWindow_ = nullptr;
  WindowRefresh* window3d_ = nullptr;
  bool running_ = false;
  bool quitRequested_ = false;
  std::array<std::string, 8> recentShown_;
  bool modelShown_ = false;
};
