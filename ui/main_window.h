// The main window: menus, the settings column, the status bar and the UV view. It translates
// every signal into a call of the controller, run as one event by the event step, and shows
// what the event changed.
#pragma once

#include <gtkmm.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/changes.h"
#include "app/controller.h"
#include "app/event_step.h"
#include "app/preferences.h"
#include "app/session.h"
#include "app/window3d_controller.h"
#include "app/window_rules.h"
#include "ui/job_status.h"
#include "ui/uv_canvas.h"
#include "ui/window3d.h"

// The fixed area below the menu bar. Everything sits at its reference position; only the UV
// view's scrolling area follows the window's size.
class MainArea : public Gtk::Fixed {
 public:
  // Its own window clips what lies outside the allocation.
  explicit MainArea(Gtk::Widget& uvArea) : uvArea_(uvArea) { set_has_window(true); }
  // Height of what lies below this area inside the window (the status bar).
  std::function<int()> heightBelow;

 protected:
  void on_size_allocate(Gtk::Allocation& allocation) override;
  // At least the settings column and the smallest scrolling area the UV view can draw: a
  // smaller window would squeeze the scroll bars below their own size.
  void get_preferred_width_vfunc(int& minimum, int& natural) const override;
  void get_preferred_height_vfunc(int& minimum, int& natural) const override;

 private:
  Size uvMinimum() const;

  Gtk::Widget& uvArea_;
};

class MainWindow : public Gtk::Window, public WindowRefresh {
 public:
  MainWindow(Session& session, Preferences& prefs);
  // The controllers that the windows' commands go to and the event step that runs them; set
  // before the first event.
  void attach(Controller& controller, Window3DController& controller3d, EventStep& events) {
    controller_ = &controller;
    controller3d_ = &controller3d;
    events_ = &events;
  }
  // After the last event, while the controllers still exist: the 3D window goes, and a signal
  // it sends on its way runs nothing.
  void detach();

  // The window's side of the Ui.
  void setStatus(int field, const std::string& text);
  void apply(const Changes& changes) override;

  // Runs `work` as one event of this window, or of the 3D window. A settings change still
  // waiting for its unwrap is unwrapped first, so that every command sees the settings the
  // controls show.
  void handle(const std::function<void()>& work, EventWindow window = EventWindow::main);
  // The window that the dialogs of the running event sit on.
  Gtk::Window& dialogParent();
  // The first event: the file argument or the untitled autosave question.
  void start(const std::vector<std::string>& args);
  // Runs the long work of the window's commands in the background.
  JobRunner& jobs() { return jobStatus_.runner(); }

 protected:
  bool on_delete_event(GdkEventAny* event) override;
  void on_size_allocate(Gtk::Allocation& allocation) override;

 private:
  void buildMenus();
  // label: with the mnemonic marked by an underscore.
  Gtk::MenuItem& addItem(Gtk::Menu& menu, const std::string& label, int id);
  void rebuildRecentMenu();
  void refreshMenus();
  void buildControls();
  void buildSettingControls();
  void buildStatusBar();
  void connectControls();
  void menuCommand(int id);
  // The session's settings into the controls, then which controls are enabled or shown and
  // the two state texts.
  void refreshControls();
  void showControlStates(const ControlStates& states);
  void showTitle();
  // A job began or ended: while it runs, the controls that change what it works on wait.
  void showBusy(JobKind kind);
  void show3dBusy();
  // A control changed the settings; see SettingsChange for when the unwrap starts.
  void settingsChanged(bool refresh, bool spin);
  // Starts the waiting change's unwrap when it is due, or sets a timer for then.
  void scheduleUnwrap();
  // Shows the busy cursor, the refreshed controls and the status note, and unwraps once
  // they are on the screen.
  void unwrapWhenDrawn();
  void afterPaint();
  void setBusy(bool busy);
  // Inside an event: the waiting change's unwrap.
  void finishSettingsChange();
  UnwrapSettings readSettings() const;
  void applySettings(const UnwrapSettings& settings);
  bool timerTick();
  void showPreferences();
  void showAbout();
  // Opens the 3D window, or brings it to the front; it is told of every event from then on.
  void open3dWindow();


  Session& session_;
  Preferences& prefs_;
  Controller* controller_ = nullptr;
  Window3DController* controller3d_ = nullptr;
  EventStep* events_ = nullptr;
  // Of the event that runs (or ran last): its messages and dialogs sit on that window.
  EventWindow eventWindow_ = EventWindow::main;
  bool updatingControls_ = false;

  SettingsChange settingsChange_;
  sigc::connection settingsTimer_;
  unsigned long afterPaintHandler_ = 0;  // on the frame clock while waiting for the screen
  bool unwrapStarting_ = false;          // from the drawn frame until the unwrap runs

  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL};
  Gtk::MenuBar menuBar_;
  Glib::RefPtr<Gtk::AccelGroup> accelGroup_;
  Gtk::Menu* recentMenu_ = nullptr;
  // The front of the recent list when the menu was last built: a file coming to the front
  // also goes to the desktop's recent files. Unset before the first build.
  std::optional<std::string> recentFront_;

  UvCanvas uvView_;
  MainArea area_{uvView_};

  Gtk::Frame mappingFrame_{"Mapping"}, textureFrame_{"Texture"}, unwrapFrame_{"Unwrap"},
      modelFrame_{"Model"}, layoutFrame_{"Layout"}, infoFrame_{"Info"};
  Gtk::RadioButton keep_{"Keep the UVs from the model"}, exact_{"Unwrap exact (hard-surface)"},
      smooth_{"Unwrap smooth (organic, LSCM)"};
  Gtk::Label widthLabel_{"Width"}, heightLabel_{"Height"}, sizeText_;
  Gtk::ComboBoxText width_, height_;
  Gtk::Label maxAngleLabel_{"Max. angle between faces"}, marginLabel_{"Margin (pixels)"},
      maxStretchLabel_{"Max. stretch % (smooth)"}, rotateLabel_{"Rotate pieces"},
      mirrorLabel_{"Mirror"}, packLabel_{"Pack"};
  Gtk::SpinButton maxAngle_, margin_, maxStretch_;
  Gtk::ComboBoxText rotate_, mirror_, pack_;
  Gtk::Label upAxisLabel_{"Up axis"};
  Gtk::ComboBoxText upAxis_;
  Gtk::CheckButton combine_{"Combine pieces into fewer surfaces"},
      perLayer_{"Unwrap per layer (layers = surfaces)"};
  Gtk::Label layoutState_;
  Gtk::Button changeLayout_{"Change layout..."}, lockLayout_{"Lock layout"}, cancel_{"Cancel"};
  Gtk::ScrolledWindow reportScroll_;
  Gtk::TextView report_;

  Gtk::Box statusBar_{Gtk::ORIENTATION_HORIZONTAL};
  std::array<Gtk::Frame, 3> statusFrames_;
  std::array<Gtk::Label, 3> statusFields_;
  JobStatus jobStatus_{[this] { handle([this] { jobStatus_.runner().deliver(); }); },
                       [this](JobKind kind) { showBusy(kind); }};
  JobKind busy_ = JobKind::none;

  std::map<int, Gtk::MenuItem*> menuItems_;  // by menu id; the recent entries are not kept

  // Made when first opened; closing only hides it.
  std::unique_ptr<Window3D> window3d_;
};
