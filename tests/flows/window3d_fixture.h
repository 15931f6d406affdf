// The 3D window driven as the program drives it: every gadget change, gesture and key runs as
// one event of the window through the event step, with a scripted Ui.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "app/event_step.h"
#include "app/window3d_controller.h"
#include "tests/flows/scripted_ui.h"
#include "tests/temp_folder.h"
#include "tools/meshgen/meshgen.h"

// The windows as the program has them: the main window opens the 3D window when asked, and
// stops telling it anything once it is closed.
struct Windows {
  struct Main : WindowRefresh {
    Windows& w;
    explicit Main(Windows& windows) : w(windows) {}
    void apply(const Changes& changes) override {
      if (changes.open3d) w.events->set3dWindow(&w.view3d);
      if (!w.session->window3d) w.events->set3dWindow(nullptr);
    }
  };
  struct View3d : WindowRefresh {
    Windows& w;
    std::vector<Changes> applied;
    explicit View3d(Windows& windows) : w(windows) {}
    void apply(const Changes& changes) override {
      applied.push_back(changes);
      w.controller3d->apply(changes);
    }
  };
  Session* session = nullptr;
  EventStep* events = nullptr;
  Window3DController* controller3d = nullptr;
  Main main{*this};
  View3d view3d{*this};
};

class Window3DFlow : public ::testing::Test, protected TempFolder {
 protected:
  Window3DFlow() : TempFolder("quillmap_window3d") {}
  void SetUp() override {
    windows_.session = &session_;
    windows_.events = &events_;
    windows_.controller3d = &c3d_;
    events_.setMainWindow(&windows_.main);
  }
  // Opens the cube of side 1 (radius sqrt(3) / 2) and its 3D window with a 200 x 150 canvas.
  void openCube() {
    ASSERT_TRUE(genWriteFile(genCube(), path("cube.obj")));
    main([&] { controller_.openFile(path("cube.obj")); });
    main([&] { c3d_.open(); });
    ASSERT_TRUE(session_.window3d);
    c3d_.resize(200, 150);
    c3d_.frame();
  }
  void main(const std::function<void()>& command) { events_.run(EventWindow::main, command); }
  void event(const std::function<void()>& command) { events_.run(EventWindow::view3d, command); }
  // Space held while the mouse drags from (100, 75) by (dx, dy) with one button.
  void navigate(MouseButton button, int dx, int dy) {
    const bool left = button == MouseButton::left;
    event([&] { c3d_.keyDown(Key::space, {}); });
    event([&] { c3d_.motion({.x = 100, .y = 75}); });
    event([&] { c3d_.buttonDown(button, {.x = 100, .y = 75, .left = left, .right = !left}); });
    event([&] { c3d_.motion({.x = 100 + dx, .y = 75 + dy, .left = left, .right = !left}); });
    event([&] { c3d_.buttonUp(); });
    event([&] { c3d_.keyUp(Key::space); });
  }
  ViewState& view() { return session_.document.view; }
  Window3DState& state() { return *session_.window3d; }
  double radius() const { return std::sqrt(3.0) / 2; }
  void newTexture(NewTextureKind kind, uint32_t colour) {
    ui_.newTextures.push_back(NewTextureChoice{kind, colour});
    event([&] { c3d_.newTexture(); });
  }

  PreferencesFile prefsFile_{""};
  Preferences prefs_;
  Session session_;
  ScriptedUi ui_;
  Controller controller_{session_, ui_, prefs_, prefsFile_, ""};
  Window3DController c3d_{session_, ui_, controller_};
  EventStep events_{session_, controller_, ui_, prefs_};
  Windows windows_;
};
