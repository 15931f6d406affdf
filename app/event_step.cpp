#include "app/event_step.h"

#include <exception>
#include <new>
#include <utility>

#include "app/layout_change.h"
#include "app/unwrap_driver.h"

EventStep::EventStep(Session& session, Controller& controller, Ui& ui, const Preferences& prefs)
    : session_(session), controller_(controller), ui_(ui), prefs_(prefs),
      recentShown_(prefs.recentFiles), modelShown_(session.document.modelLoaded) {}

bool EventStep::run(EventWindow window, const std::function<void()>& command) {
  if (running_) return false;
  running_ = true;
  guarded(command);
  guarded([&] {
    if (window == EventWindow::view3d) followUp3dWindow();
    controller_.raise(lockCheck(session_, ui_));
  });
  Changes changes = controller_.takeChanges();
  changes |= afterEvent();
  quitRequested_ |= changes.quit;
  if (mainWindow_) guarded([&] { mainWindow_->apply(changes); });
  // Asked after the main window's: opening the 3D window there makes it one to tell.
  if (window3d_) guarded([&] { window3d_->apply(changes); });
  running_ = false;
  return true;
}

void EventStep::followUp3dWindow() {
  if (!session_.window3d) return;
  Window3DState& window = *session_.window3d;
  Document& d = session_.document;
  if (std::exchange(window.settingsChanged, false)) d.projectChanged = true;
  // A drag passes its layer edits on when the button is released.
  if (window.assignDrag || !std::exchange(window.layersChanged, false)) return;
  // So that the next unwrap keeps them.
  modelStoreLayers(d.sourceModel, d.workModel);
  d.projectChanged = true;
  if (d.settings.layerUnwrap && !d.layoutLocked) {
    controller_.settle();  // an unwrap still running used the layers from before
    controller_.raise(unwrapModel(session_, ui_));
  }
  else
    controller_.raise({.uvView = true});
}

void EventStep::guarded(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& e) {
    // Nothing may unwind into the toolkit; the user keeps the program and the unsaved work.
    // The likely case is a file or a picture too large for the memory left.
    ui_.message(kProgramName,
                std::string("The command could not be completed:\n") +
                    (dynamic_cast<const std::bad_alloc*>(&e) ? "not enough memory." : e.what()),
                Icon::error, Buttons::ok);
  }
}

Changes EventStep::afterEvent() {
  Changes changes{.title = true};
  if (prefs_.recentFiles != recentShown_) {
    recentShown_ = prefs_.recentFiles;
    changes.recentMenu = true;
  }
  if (session_.document.modelLoaded != modelShown_) {
    modelShown_ = session_.document.modelLoaded;
    changes.menus = true;
  }
  return changes;
}
