#include "ui/main_window.h"

#include <algorithm>

#include "app/unwrap_driver.h"
#include "app/uv_view.h"
#include "base/number_text.h"
#include "unwrap/unwrap_settings.h"
#include "ui/dialogs.h"

namespace {

// Minutes are counted by a timer of this period.
constexpr unsigned kTimerMilliseconds = 60000;

int64_t milliseconds() { return g_get_monotonic_time() / 1000; }

// GTK's recent files, which GNOME's recent lists show, beside the program's own list.
void addDesktopRecent(const std::string& path) {
  Gtk::RecentManager::get_default()->add_item(Gio::File::create_for_path(path)->get_uri());
}

// Keys that step a spin box's value, repeatedly while held down.
bool isStepKey(guint key) {
  switch (key) {
    case GDK_KEY_Up:
    case GDK_KEY_Down:
    case GDK_KEY_Page_Up:
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Up:
    case GDK_KEY_KP_Down:
    case GDK_KEY_KP_Page_Up:
    case GDK_KEY_KP_Page_Down:
      return true;
    default:
      return false;
  }
}

}  // namespace

void MainArea::on_size_allocate(Gtk::Allocation& allocation) {
  Gtk::Fixed::on_size_allocate(allocation);
  // The window's inner size is everything below the menu bar, the status bar included.
  const int below = heightBelow ? heightBelow() : 0;
  const Rect r = uvScrollArea(allocation.get_width(), allocation.get_height() + below);
  // Children of a widget with its own window are placed relative to that window.
  const int x0 = get_has_window() ? 0 : allocation.get_x();
  const int y0 = get_has_window() ? 0 : allocation.get_y();
  Gtk::Allocation uv(x0 + r.x, y0 + r.y, r.width, r.height);
  uvArea_.size_allocate(uv);
}

Size MainArea::uvMinimum() const {
  int width = 0, height = 0, natural = 0;
  uvArea_.get_preferred_width(width, natural);
  uvArea_.get_preferred_height(height, natural);
  return innerSizeForUvArea(width, height);
}

void MainArea::get_preferred_width_vfunc(int& minimum, int& natural) const {
  Gtk::Fixed::get_preferred_width_vfunc(minimum, natural);
  minimum = std::max(minimum, uvMinimum().width);
  natural = std::max(natural, minimum);
}

void MainArea::get_preferred_height_vfunc(int& minimum, int& natural) const {
  Gtk::Fixed::get_preferred_height_vfunc(minimum, natural);
  const int below = heightBelow ? heightBelow() : 0;
  minimum = std::max(minimum, uvMinimum().height - below);
  natural = std::max(natural, minimum);
}

MainWindow::MainWindow(Session& session, Preferences& prefs) : session_(session), prefs_(prefs) {
  set_title(kProgramName);
  set_default_size(1000, 820);
  set_position(Gtk::WIN_POS_CENTER);
  set_name("quillmap-main");
  area_.get_style_context()->add_class("settings");
  accelGroup_ = Gtk::AccelGroup::create();
  add_accel_group(accelGroup_);

  buildMenus();
  buildControls();
  box_.pack_start(menuBar_, Gtk::PACK_SHRINK);
  box_.pack_start(area_, Gtk::PACK_EXPAND_WIDGET);
  box_.pack_start(statusBar_, Gtk::PACK_SHRINK);
  add(box_);

  area_.heightBelow = [this] {
    int minimum = 0, natural = 0;
    statusBar_.get_preferred_height(minimum, natural);
    return natural;
  };
  uvView_.onDrop = [this](const std::string& path) {
    // Opened once the drop has finished, so that the sender is not kept waiting by a question.
    Glib::signal_idle().connect_once([this, path] {
      handle([this, &path] { controller_->openFile(path); });
    });
  };
  Glib::signal_timeout().connect(sigc::mem_fun(*this, &MainWindow::timerTick),
                                 kTimerMilliseconds);
  setStatus(kStatusFile, "No model opened");
  show_all_children();
}

// ---- Menus ---------------------------------------------------------------------------------

void MainWindow::refreshMenus() {
  // A disabled item's shortcut does nothing either. Opening, saving and exporting wait for
  // the work in the background.
  for (const auto& [id, item] : menuItems_)
    item->set_sensitive(menuItemEnabled(id, session_.document.modelLoaded) &&
                        (busy_ == JobKind::none || menuItemFreeWhileBusy(id)));
}

void MainWindow::rebuildRecentMenu() {
  // Deleting a managed item takes it out of the menu as well.
  for (Gtk::Widget* child : recentMenu_->get_children()) delete child;
  for (const RecentItem& r : recentMenuItems(prefs_.recentFiles)) {
    // The position is the mnemonic; an underscore of the file name stays as it is.
    Gtk::MenuItem& item =
        addItem(*recentMenu_, mnemonicLabel(r.label, r.enabled ? 0 : std::string::npos), r.id);
    item.set_sensitive(r.enabled);
  }
  recentMenu_->show_all();
  const std::string& front = prefs_.recentFiles[0];
  if (recentFront_ && front != *recentFront_ && !front.empty()) addDesktopRecent(front);
  recentFront_ = front;
}

void MainWindow::menuCommand(int id) {
  handle([this, id] {
    Controller& c = *controller_;
    switch (id) {
      case kMenuNewProject: c.newProjectDialog(); break;
      case kMenuOpen: c.openDialog(); break;
      case kMenuSave: c.save(); break;
      case kMenuSaveAs: c.saveAs(false); break;
      case kMenuSaveCopy: c.saveAs(true); break;
      case kMenuExport: c.exportToSeriousSam(); break;
      case kMenuExportTexture: c.exportTexture(); break;
      case kMenuImportTexture: c.importTexture(); break;
      case kMenuExportUvOverlay: c.exportUvOverlay(); break;
      case kMenuQuit: c.quit(); break;
      case kMenuPreview3d: controller3d_->open(); break;
      case kMenuPreferences: showPreferences(); break;
      case kMenuUserGuide: c.userGuide(); break;
      case kMenuAbout: showAbout(); break;
      default:
        if (id >= kMenuRecentFirst && id <= kMenuRecentLast) c.openRecent(id - kMenuRecentFirst);
        break;
    }
  });
}

// ---- Controls ------------------------------------------------------------------------------

void MainWindow::connectControls() {
  changeLayout_.signal_clicked().connect(
      [this] { handle([this] { controller_->startLayoutChange(); }); });
  lockLayout_.signal_clicked().connect([this] { handle([this] { controller_->lockLayout(); }); });
  cancel_.signal_clicked().connect(
      [this] { handle([this] { controller_->cancelLayoutChange(); }); });
  for (Gtk::RadioButton* r : {&keep_, &exact_, &smooth_})
    r->signal_toggled().connect([this, r] {
      if (r->get_active()) settingsChanged(true, false);  // the one switched off says nothing
    });
  for (Gtk::CheckButton* c : {&combine_, &perLayer_})
    c->signal_toggled().connect([this] { settingsChanged(true, false); });
  for (Gtk::ComboBoxText* c : {&width_, &height_, &upAxis_, &rotate_, &mirror_, &pack_})
    c->signal_changed().connect([this] { settingsChanged(true, false); });
  // The spin boxes' own handlers step the value and may stop the event, so ours run first.
  constexpr bool before = false;
  for (Gtk::SpinButton* s : {&maxAngle_, &margin_, &maxStretch_}) {
    s->signal_value_changed().connect([this] { settingsChanged(false, true); });
    s->signal_activate().connect([this] {
      settingsChange_.commit();
      scheduleUnwrap();
    });
    s->signal_focus_out_event().connect(
        [this, s](GdkEventFocus*) {
          s->update();  // a typed value counts when the box is left
          settingsChange_.commit();
          scheduleUnwrap();
          return false;
        },
        before);
    s->signal_button_press_event().connect(
        [this](GdkEventButton*) {
          settingsChange_.held(true);
          return false;
        },
        before);
    s->signal_button_release_event().connect(
        [this](GdkEventButton*) {
          settingsChange_.held(false);
          scheduleUnwrap();
          return false;
        },
        before);
    s->signal_key_press_event().connect(
        [this](GdkEventKey* key) {
          if (isStepKey(key->keyval)) settingsChange_.held(true);
          return false;
        },
        before);
    s->signal_key_release_event().connect(
        [this](GdkEventKey* key) {
          if (isStepKey(key->keyval)) {
            settingsChange_.held(false);
            scheduleUnwrap();
          }
          return false;
        },
        before);
  }
}

void MainWindow::settingsChanged(bool refresh, bool spin) {
  if (updatingControls_) return;
  settingsChange_.changed(refresh, spin, milliseconds());
  scheduleUnwrap();
}

void MainWindow::scheduleUnwrap() {
  settingsTimer_.disconnect();
  const int64_t start = settingsChange_.startTime();
  if (start == SettingsChange::kNever) return;
  const int64_t wait = start - milliseconds();
  if (wait > 0)
    settingsTimer_ = Glib::signal_timeout().connect(
        [this] {
          scheduleUnwrap();
          return false;
        },
        static_cast<unsigned>(wait));
  else
    unwrapWhenDrawn();
}

void MainWindow::unwrapWhenDrawn() {
  // While an event runs, handle() schedules the change again when it ends.
  if (unwrapStarting_ || events_->running()) return;
  unwrapStarting_ = true;
  setBusy(true);
  const UnwrapSettings next = readSettings();
  if (settingsChange_.refresh()) showControlStates(controlStates(session_, next, busy_));
  if (unwrapFlattens(session_.document.sourceModel, next))
    setStatus(kStatusCounts, kUnwrappingNote);
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(gobj()));
  if (!clock) {  // not on the screen: nothing to wait for
    unwrapStarting_ = false;
    handle([] {});
    return;
  }
  afterPaintHandler_ = g_signal_connect_swapped(
      clock, "after-paint", G_CALLBACK(+[](MainWindow* window) { window->afterPaint(); }), this);
  gdk_frame_clock_request_phase(clock, GDK_FRAME_CLOCK_PHASE_AFTER_PAINT);
}

void MainWindow::afterPaint() {
  g_signal_handler_disconnect(gtk_widget_get_frame_clock(GTK_WIDGET(gobj())), afterPaintHandler_);
  afterPaintHandler_ = 0;
  // Outside the frame clock's own dispatch: a message box of the unwrap needs the clock.
  Glib::signal_idle().connect_once([this] {
    unwrapStarting_ = false;
    get_display()->flush();  // the frame reaches the screen before the work holds the program
    handle([] {});
  });
}

void MainWindow::finishSettingsChange() {
  if (!settingsChange_.pending()) return;
  settingsTimer_.disconnect();
  const bool refresh = settingsChange_.take();
  setBusy(true);
  struct Done {
    MainWindow& window;
    ~Done() { window.setBusy(false); }
  } done{*this};
  controller_->changeSettings(readSettings(), refresh);
}

void MainWindow::setBusy(bool busy) {
  const Glib::RefPtr<Gdk::Window> window = get_window();
  if (!window) return;
  if (busy) {
    window->set_cursor(Gdk::Cursor::create(get_display(), "wait"));
    get_display()->flush();
  } else {
    window->set_cursor();
  }
}

UnwrapSettings MainWindow::readSettings() const {
  UnwrapSettings s = session_.document.settings;
  s.mapMode = smooth_.get_active() ? MapMode::smooth
              : exact_.get_active() ? MapMode::exact
                                    : MapMode::keep;
  s.layoutWidth = static_cast<int>(leadingInt(width_.get_active_text().raw()));
  s.layoutHeight = static_cast<int>(leadingInt(height_.get_active_text().raw()));
  s.maxAngle = maxAngle_.get_value_as_int();
  s.margin = margin_.get_value_as_int();
  s.maxStretch = maxStretch_.get_value_as_int();
  s.rotateMode = static_cast<RotateMode>(unwrapSetting::rotate.pick(rotate_.get_active_row_number()));
  s.upAxisChoice = static_cast<UpAxis>(unwrapSetting::upAxis.pick(upAxis_.get_active_row_number()));
  s.mergeSurfaces = combine_.get_active();
  s.layerUnwrap = perLayer_.get_active();
  s.mirrorAxis = static_cast<MirrorAxis>(unwrapSetting::mirror.pick(mirror_.get_active_row_number()));
  s.packMode = static_cast<PackMode>(unwrapSetting::pack.pick(pack_.get_active_row_number()));
  return s;
}

void MainWindow::applySettings(const UnwrapSettings& s) {
  updatingControls_ = true;
  (s.mapMode == MapMode::exact    ? exact_
   : s.mapMode == MapMode::smooth ? smooth_
                                  : keep_)
      .set_active(true);
  width_.set_active(unwrapSetting::layoutWidth.index(s.layoutWidth));
  height_.set_active(unwrapSetting::layoutHeight.index(s.layoutHeight));
  maxAngle_.set_value(s.maxAngle);
  margin_.set_value(s.margin);
  maxStretch_.set_value(s.maxStretch);
  rotate_.set_active(unwrapSetting::rotate.index(static_cast<int64_t>(s.rotateMode)));
  upAxis_.set_active(unwrapSetting::upAxis.index(static_cast<int64_t>(s.upAxisChoice)));
  combine_.set_active(s.mergeSurfaces);
  perLayer_.set_active(s.layerUnwrap);
  mirror_.set_active(unwrapSetting::mirror.index(static_cast<int64_t>(s.mirrorAxis)));
  pack_.set_active(unwrapSetting::pack.index(static_cast<int64_t>(s.packMode)));
  updatingControls_ = false;
}

void MainWindow::refreshControls() {
  applySettings(session_.document.settings);
  showControlStates(controlStates(session_, session_.document.settings, busy_));
}

void MainWindow::showControlStates(const ControlStates& c) {
  for (Gtk::Widget* w : {static_cast<Gtk::Widget*>(&keep_), static_cast<Gtk::Widget*>(&exact_),
                         static_cast<Gtk::Widget*>(&smooth_)})
    w->set_sensitive(c.mappingEnabled);
  width_.set_sensitive(c.sizeEnabled);
  height_.set_sensitive(c.sizeEnabled);
  upAxis_.set_sensitive(c.upAxisEnabled);
  combine_.set_sensitive(c.checkBoxesEnabled);
  perLayer_.set_sensitive(c.checkBoxesEnabled);
  maxAngle_.set_sensitive(c.maxAngleEnabled);
  margin_.set_sensitive(c.marginEnabled);
  rotate_.set_sensitive(c.rotateEnabled);
  mirror_.set_sensitive(c.mirrorEnabled);
  pack_.set_sensitive(c.packEnabled);
  maxStretch_.set_sensitive(c.maxStretchEnabled);
  layoutState_.set_text(c.layoutStateText);
  changeLayout_.set_visible(c.changeLayoutVisible);
  lockLayout_.set_visible(c.lockLayoutVisible);
  cancel_.set_visible(c.cancelVisible);
  sizeText_.set_text(c.sizeText);
  for (Gtk::Button* b : {&changeLayout_, &lockLayout_, &cancel_})
    b->set_sensitive(c.layoutButtonsEnabled);
}

void MainWindow::showBusy(JobKind kind) {
  busy_ = kind;
  refreshMenus();
  showControlStates(controlStates(session_, readSettings(), busy_));
  show3dBusy();
}

void MainWindow::show3dBusy() {
  // Painting or layer edits would change what an unwrap works on; the view keeps drawing.
  if (window3d_ && window3d_->get_child())
    window3d_->get_child()->set_sensitive(
        controlStates(session_, session_.document.settings, busy_).paintingEnabled);
}

void MainWindow::apply(const Changes& changes) {
  const Document& document = session_.document;
  if (changes.controls) refreshControls();
  // Until the first unwrap the box keeps saying that no model is open.
  if (changes.report && !document.reportText.empty() &&
      report_.get_buffer()->get_text() != document.reportText)
    report_.get_buffer()->set_text(document.reportText);
  if (changes.uvView)
    uvView_.show(uvViewImage(document.displayModel(), document.texture,
                             document.settings.layoutWidth, document.settings.layoutHeight));
  if (changes.recentMenu) rebuildRecentMenu();
  if (changes.menus) refreshMenus();
  if (changes.title) showTitle();
  if (changes.open3d) open3dWindow();
  if (window3d_ && !session_.window3d && window3d_->get_visible()) {
    window3d_->hide();  // closed: it hears of no event until it opens again
    events_->set3dWindow(nullptr);
  }
  if (changes.quit) {
    if (window3d_) window3d_->hide();
    hide();
  }
}

void MainWindow::open3dWindow() {
  if (!window3d_) {
    window3d_ = std::make_unique<Window3D>(
        *this, session_, *controller3d_,
        [this](const std::function<void()>& work) { handle(work, EventWindow::view3d); });
    // Escape stops the work in the background from either window.
    window3d_->signal_key_press_event().connect(
        [this](GdkEventKey* key) { return key->keyval == GDK_KEY_Escape && jobStatus_.cancel(); },
        false);
  }
  events_->set3dWindow(window3d_.get());
  window3d_->open();
  show3dBusy();
}

void MainWindow::detach() {
  if (events_) events_->set3dWindow(nullptr);
  events_ = nullptr;
  window3d_.reset();
}

Gtk::Window& MainWindow::dialogParent() {
  if (eventWindow_ == EventWindow::view3d && window3d_ && window3d_->get_visible()) return *window3d_;
  return *this;
}

void MainWindow::showTitle() {
  const std::string title = controller_->mainTitle();
  if (get_title() != title) set_title(title);
}

void MainWindow::setStatus(int field, const std::string& text) {
  if (field >= 0 && field < 3) statusFields_[static_cast<size_t>(field)].set_text(text);
}

// ---- Events --------------------------------------------------------------------------------

void MainWindow::handle(const std::function<void()>& work, EventWindow window) {
  if (!events_ || !events_->run(window, [&] {
        eventWindow_ = window;
        finishSettingsChange();
        work();
      }))
    return;
  // A change made while the event ran (a box leaving the focus to a dialog).
  if (settingsChange_.pending()) scheduleUnwrap();
  jobStatus_.follow();
}

void MainWindow::start(const std::vector<std::string>& args) {
  handle([this, &args] { controller_->openAtStart(args); });
}

bool MainWindow::timerTick() {
  handle([this] {
    controller_->autosaveTick(Glib::DateTime::create_now_local().format("%H:%M").raw());
  });
  return true;  // keep ticking
}

bool MainWindow::on_delete_event(GdkEventAny*) {
  handle([this] { controller_->quit(); });
  return true;  // the window goes only through the controller's quit
}

void MainWindow::on_size_allocate(Gtk::Allocation& allocation) {
  // A window manager keeps the window at least at its minimum size; without one the X window
  // can be made smaller, and the layout is then cut off at its edge rather than squeezed.
  int minimumWidth = 0, minimumHeight = 0, natural = 0;
  get_preferred_width(minimumWidth, natural);
  get_preferred_height(minimumHeight, natural);
  allocation.set_width(std::max(allocation.get_width(), minimumWidth));
  allocation.set_height(std::max(allocation.get_height(), minimumHeight));
  Gtk::Window::on_size_allocate(allocation);
}

void MainWindow::showPreferences() {
  if (const std::optional<PreferencesChoice> choice = runPreferencesDialog(*this, prefs_))
    controller_->applyPreferences(*choice);
}

void MainWindow::showAbout() { runAboutDialog(*this); }
