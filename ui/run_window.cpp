#include "ui/run_window.h"

#include <gtkmm.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/controller.h"
#include "app/event_step.h"
#include "app/preferences.h"
#include "app/session.h"
#include "app/window3d_controller.h"
#include "app/window_rules.h"
#include "ui/gtk_ui.h"
#include "ui/main_window.h"
#include "ui/style.h"

// Xlib's macros (Status, None, Bool) clash with other names, so it comes after every header.
#include <X11/Xlib.h>

namespace {

std::string executablePath() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace

int runWindow(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The program always runs on X11, also inside a Wayland session.
  ::setenv("GDK_BACKEND", "x11", 1);
  XInitThreads();
  int gtkArgc = 1;  // our own arguments are files, not GTK options
  char** gtkArgv = argv;
  if (!gtk_init_check(&gtkArgc, &gtkArgv)) {
    std::cerr << "Quillmap cannot open the X11 display. Use --batch to work without one.\n";
    return 1;
  }
  auto app = Gtk::Application::create("org.quillmap.Quillmap", Gio::APPLICATION_NON_UNIQUE);
  // The installed icon (the desktop entry's); where it is not installed windows have none.
  Gtk::Window::set_default_icon_name("quillmap");
  installStyle();

  const char* home = std::getenv("HOME");
  const std::string prefsFolder = preferencesFolder(home ? home : "");
  PreferencesFile prefsFile(preferencesPath(prefsFolder));
  Preferences prefs = loadPreferences(prefsFile, executablePath());
  Session session;
  session.document.settings = windowSettingsFromPreferences(prefsFile);

  MainWindow window(session, prefs);
  GtkUi ui(window);
  Controller controller(session, ui, prefs, prefsFile, prefsFolder);
  controller.useJobs(window.jobs());
  Window3DController controller3d(session, ui, controller);
  EventStep events(session, controller, ui, prefs);
  events.setMainWindow(&window);
  window.attach(controller, controller3d, events);
  window.apply({.controls = true, .report = true, .uvView = true, .title = true});
  window.signal_show().connect([&] {
    // The first event: once the window is up, so that a question has a window to sit on.
    Glib::signal_idle().connect_once([&] { window.start(args); });
  });
  const int status = app->run(window);
  window.detach();
  controller.storeWindowSettings();
  return status;
}
