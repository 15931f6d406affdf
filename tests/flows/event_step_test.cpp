#include "app/event_step.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "tests/flows/scripted_ui.h"
#include "tests/temp_folder.h"
#include "tools/meshgen/meshgen.h"

namespace {

// Records what the event step asks it to show again; fails when told to.
struct RecordedWindow : WindowRefresh {
  std::vector<Changes> applied;
  bool fails = false;
  void apply(const Changes& changes) override {
    applied.push_back(changes);
    if (fails) throw std::bad_alloc();
  }
};

class EventFlow : public ::testing::Test, protected TempFolder {
 protected:
  EventFlow() : TempFolder("quillmap_events") { events_.setMainWindow(&main_); }
  std::string cube() {
    EXPECT_TRUE(genWriteFile(genCube(), path("cube.obj")));
    return path("cube.obj");
  }

  PreferencesFile prefsFile_{""};
  Preferences prefs_;
  Session session_;
  ScriptedUi ui_;
  Controller controller_{session_, ui_, prefs_, prefsFile_, ""};
  EventStep events_{session_, controller_, ui_, prefs_};
  RecordedWindow main_;
};

TEST_F(EventFlow, EveryWindowIsToldOnceWhatTheEventChanged) {
  RecordedWindow window3d;
  events_.set3dWindow(&window3d);
  // Opening a model asks for everything it changed, once, however often the commands raised it.
  ASSERT_TRUE(events_.run(EventWindow::main, [&] { controller_.openFile(cube()); }));
  const Changes opened{.controls = true, .report = true, .uvView = true, .title = true,
                       .menus = true, .recentMenu = true, .model3d = true};
  ASSERT_EQ(main_.applied.size(), 1u);
  EXPECT_EQ(main_.applied[0], opened);
  EXPECT_EQ(window3d.applied, main_.applied);

  // An event of the 3D window that changes nothing still refreshes the title.
  ASSERT_TRUE(events_.run(EventWindow::view3d, [] {}));
  ASSERT_EQ(main_.applied.size(), 2u);
  EXPECT_EQ(main_.applied[1], Changes{.title = true});

  // A closed 3D window is told nothing; the model unloaded greys the menus out again.
  events_.set3dWindow(nullptr);
  session_.document.sourceModel = Model{};
  ASSERT_TRUE(events_.run(EventWindow::main,
                          [&] { controller_.changeSettings(session_.document.settings, false); }));
  EXPECT_EQ(window3d.applied.size(), 2u);
  EXPECT_TRUE(main_.applied.back().menus);
  EXPECT_FALSE(main_.applied.back().recentMenu);
}

TEST_F(EventFlow, AnEventArrivingWhileAnotherRunsIsDropped) {
  bool innerRan = false, innerAccepted = true;
  ASSERT_TRUE(events_.run(EventWindow::main, [&] {
    EXPECT_TRUE(events_.running());
    innerAccepted = events_.run(EventWindow::view3d, [&] { innerRan = true; });
  }));
  EXPECT_FALSE(innerAccepted);
  EXPECT_FALSE(innerRan);
  EXPECT_EQ(main_.applied.size(), 1u);
  EXPECT_FALSE(events_.running());
}

TEST_F(EventFlow, AFailedCommandIsReportedAndWhatItChangedIsShown) {
  const struct {
    std::function<void()> fail;
    std::string shown;
  } cases[] = {
      {[] { throw std::runtime_error("disk on fire"); }, "disk on fire"},
      {[] { throw std::bad_alloc(); }, "not enough memory."},
  };
  for (const auto& c : cases) {
    ui_.shown.clear();
    main_.applied.clear();
    ASSERT_TRUE(events_.run(EventWindow::main, [&] {
      controller_.changeSettings(session_.document.settings, true);
      c.fail();
    }));
    ASSERT_EQ(ui_.shown.size(), 1u) << c.shown;
    EXPECT_EQ(ui_.shown[0].text, "The command could not be completed:\n" + c.shown);
    EXPECT_EQ(ui_.shown[0].icon, Icon::error);
    ASSERT_EQ(main_.applied.size(), 1u);
    EXPECT_TRUE(main_.applied[0].controls);
    EXPECT_FALSE(events_.running());
  }

  // A window that cannot show the changes keeps neither the other window nor the next event
  // from running.
  RecordedWindow window3d;
  events_.set3dWindow(&window3d);
  main_.fails = true;
  ui_.shown.clear();
  ASSERT_TRUE(events_.run(EventWindow::main, [] {}));
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].text, "The command could not be completed:\nnot enough memory.");
  EXPECT_EQ(window3d.applied.size(), 1u);
  EXPECT_FALSE(events_.running());
}

TEST_F(EventFlow, QuitEndsTheProgramOnlyWhenTheGuardAllows) {
  ASSERT_TRUE(events_.run(EventWindow::main, [&] { controller_.openFile(cube()); }));
  ui_.answers.push_back(Answer::cancel);  // "The project has changes that are not saved."
  events_.run(EventWindow::main, [&] { controller_.quit(); });
  EXPECT_FALSE(events_.quitRequested());
  EXPECT_FALSE(main_.applied.back().quit);

  ui_.answers.push_back(Answer::no);
  events_.run(EventWindow::main, [&] { controller_.quit(); });
  EXPECT_TRUE(events_.quitRequested());
  EXPECT_TRUE(main_.applied.back().quit);
}

}  // namespace
