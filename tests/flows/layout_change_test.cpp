// The layout lock and the layout change, driven as the windows drive them: the buttons' commands
// and the painting run as events through the event step, whose lock check follows every event.
// Painting is a stroke's texture step written straight into the texture.
#include "app/layout_change.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/event_step.h"
#include "app/window_rules.h"
#include "base/file_io.h"
#include "image/image.h"
#include "paint/fill.h"
#include "tests/flows/program_test.h"
#include "tools/meshgen/meshgen.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kPaint = rgba(210, 40, 20, 0);
constexpr uint32_t kWhite = rgba(255, 255, 255, 0);

class LayoutFlow : public ProgramTest {
 protected:
  LayoutFlow() : ProgramTest("quillmap_layout_flow") { start(); }

  // A fresh program run on the same files.
  void start() {
    makeController();
    events_ = std::make_unique<EventStep>(session_, *controller_, ui_, prefs_);
  }
  void mainEvent(const std::function<void()>& command) {
    ASSERT_TRUE(events_->run(EventWindow::main, command));
  }
  Document& doc() { return session_.document; }
  Texture& texture() { return session_.document.texture; }
  const LayoutChange& change() { return session_.layoutChange; }

  // The cube opened as a new project with a w x h layout.
  void openCube(int w = 512, int h = 512) {
    doc().settings.layoutWidth = w;
    doc().settings.layoutHeight = h;
    ASSERT_TRUE(genWriteFile(genCube(), path("cube.obj")));
    mainEvent([&] { controller_->openFile(path("cube.obj")); });
    ASSERT_TRUE(doc().modelLoaded);
  }
  // A stroke that paints triangle `triangle` of the layout shown (a white texture at the
  // layout size first when there is none).
  void stroke(int64_t triangle, uint32_t colour) {
    Texture& t = texture();
    t.beginPaintStep(doc().settings.layoutWidth, doc().settings.layoutHeight);
    fillTriangle(doc().workModel, triangle, t.pixelsToPaint(), t.width(), t.height(),
                 colour, 255);
  }
  // The stroke as an event of the 3D window.
  void paint(int64_t triangle, uint32_t colour = kPaint) {
    ASSERT_TRUE(events_->run(EventWindow::view3d, [&] { stroke(triangle, colour); }));
  }
  // The cube at 512 x 512 with triangle 0 painted, locked by the lock check.
  void paintedCube() {
    openCube();
    paint(0);
    ASSERT_TRUE(doc().layoutLocked);
  }
  // "Change layout..." answered with `answer`.
  void startChange(Answer answer) {
    ui_.answers.push_back(answer);
    mainEvent([&] { controller_->startLayoutChange(); });
  }
  // A control of the main window changed: `edit` on the settings, then the unwrap.
  void changeSettings(const std::function<void(UnwrapSettings&)>& edit) {
    UnwrapSettings s = doc().settings;
    edit(s);
    mainEvent([&] { controller_->changeSettings(s, true); });
  }
  void resize(int w, int h) {
    changeSettings([&](UnwrapSettings& s) {
      s.layoutWidth = w;
      s.layoutHeight = h;
    });
  }
  // The pixel of a w x h texture under the middle of `triangle` in the layout shown.
  std::pair<int, int> middlePixel(int64_t triangle, int64_t w, int64_t h) {
    const Model& m = doc().workModel;
    const Triangle& t = m.triangles[static_cast<size_t>(triangle)];
    double u = 0, v = 0;
    for (int k = 0; k < 3; ++k) {
      u += m.vertices[static_cast<size_t>(t.corner(k))].u / 3.0;
      v += m.vertices[static_cast<size_t>(t.corner(k))].v / 3.0;
    }
    return {static_cast<int>(u * static_cast<double>(w)),
            static_cast<int>((1 - v) * static_cast<double>(h))};
  }
  uint32_t middleColour(int64_t triangle) {
    const Texture& t = texture();
    const auto [x, y] = middlePixel(triangle, t.width(), t.height());
    return t.pixels()[static_cast<size_t>(y * t.width() + x)];
  }
  std::string stateText() { return controlStates(session_, doc().settings).layoutStateText; }

  std::unique_ptr<EventStep> events_;
};

TEST_F(LayoutFlow, TheLockCheckInEveryState) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    bool locked, changing;
    std::string note;
  };
  const Case cases[] = {
      {"no model, yet a texture",
       [&] {
         doc().sourceModel = Model{};
         mainEvent([&] { controller_->changeSettings(doc().settings, false); });
         texture().newTexture(NewTextureKind::oneColour, kWhite, 8, 8, nullptr);
       },
       false, false, ""},
      {"free, nothing painted", [] {}, false, false, ""},
      {"free, painted", [&] { stroke(3, kPaint); }, true, false, kLockedPaintedNote},
      {"locked", [&] { paintedCube(); }, true, false, ""},
      {"changing, painting follows",
       [&] {
         paintedCube();
         startChange(Answer::yes);
         resize(256, 256);
       },
       false, true, ""},
      {"changing, starting empty, then a new texture",
       [&] {
         paintedCube();
         startChange(Answer::no);
         texture().newTexture(NewTextureKind::oneColour, kWhite, 512, 512, nullptr);
       },
       true, false, kLockedStartedPaintingNote},
      {"changing, then a stroke",
       [&] {
         paintedCube();
         startChange(Answer::yes);
         resize(1024, 512);
         stroke(5, kPaint);
       },
       true, false, kLockedStartedPaintingNote},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    start();
    openCube();
    c.setUp();
    ui_.statusText[kStatusNote] = "";
    doc().projectChanged = false;
    const Changes shown = lockCheck(session_, ui_);
    EXPECT_EQ(doc().layoutLocked, c.locked);
    EXPECT_EQ(change().layoutChanging, c.changing);
    EXPECT_EQ(ui_.statusText[kStatusNote], c.note);
    // Locking refreshes the controls and the UV view and counts as a change of the project.
    EXPECT_EQ(shown.controls && shown.uvView, !c.note.empty());
    EXPECT_EQ(doc().projectChanged, !c.note.empty());
  }
}

TEST_F(LayoutFlow, TheQuestionAndItsCancel) {
  // Nothing to change while the layout is free.
  openCube();
  mainEvent([&] { controller_->startLayoutChange(); });
  EXPECT_TRUE(ui_.shown.empty());
  EXPECT_EQ(stateText(), "Free (locks when you start painting)");

  paint(0);
  EXPECT_EQ(stateText(), "Locked (the texture is painted)");
  EXPECT_TRUE(controlStates(session_, doc().settings).changeLayoutVisible);
  const Model layout = doc().workModel;
  const std::vector<uint32_t> painting = texture().pixels();
  startChange(Answer::cancel);
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "Change layout");
  EXPECT_EQ(ui_.shown[0].text,
            "The layout can now be changed again.\n\nKeep the painting? It moves along to the "
            "new layout.\n  Yes = keep the painting\n  No = start with an empty texture\n\n"
            "Use 'Lock layout' when you are done, or 'Cancel' to go back.");
  EXPECT_EQ(ui_.shown[0].icon, Icon::information);
  EXPECT_EQ(ui_.shown[0].buttons, Buttons::yesNoCancel);
  EXPECT_TRUE(doc().layoutLocked);
  EXPECT_FALSE(change().layoutChanging);
  EXPECT_EQ(doc().workModel, layout);
  EXPECT_EQ(texture().pixels(), painting);
  EXPECT_EQ(texture().undoSteps().size(), 1u);

  // "Lock layout" and "Cancel" do nothing outside a change.
  mainEvent([&] { controller_->lockLayout(); });
  mainEvent([&] { controller_->cancelLayoutChange(); });
  EXPECT_EQ(ui_.statusText[kStatusNote], kLockedPaintedNote);
  EXPECT_EQ(doc().workModel, layout);
}

TEST_F(LayoutFlow, StartingEmptyThenLockingWithoutPaintingLeavesNoTexture) {
  paintedCube();
  doc().view.viewMode = ViewMode::texture;
  startChange(Answer::no);
  EXPECT_TRUE(change().layoutChanging);
  EXPECT_FALSE(doc().layoutLocked);
  EXPECT_EQ(texture().width(), 0);
  EXPECT_EQ(texture().height(), 0);
  EXPECT_TRUE(texture().undoSteps().empty());
  EXPECT_EQ(doc().view.viewMode, ViewMode::testPattern);
  const ControlStates during = controlStates(session_, doc().settings);
  EXPECT_EQ(during.layoutStateText, "Changing layout - starting empty");
  EXPECT_TRUE(during.mappingEnabled && during.sizeEnabled && during.maxAngleEnabled);
  EXPECT_TRUE(during.lockLayoutVisible && during.cancelVisible);
  EXPECT_FALSE(during.changeLayoutVisible);

  // A new layout, no painting: the lock check leaves the change alone.
  resize(256, 512);
  EXPECT_TRUE(change().layoutChanging);
  EXPECT_EQ(texture().width(), 0);

  mainEvent([&] { controller_->lockLayout(); });
  EXPECT_TRUE(doc().layoutLocked);
  EXPECT_FALSE(change().layoutChanging);
  EXPECT_EQ(texture().width(), 0);
  EXPECT_EQ(ui_.statusText[kStatusNote], "New layout locked");
  EXPECT_TRUE(change().textureBackup.tiles.empty());
  EXPECT_EQ(change().textureBackup.width, 0);
  EXPECT_EQ(stateText(), "Locked (the texture is painted)");
  EXPECT_FALSE(controlStates(session_, doc().settings).sizeEnabled);
}

TEST_F(LayoutFlow, TheKeptPaintingFollowsEveryNewLayoutFromWhereItStarted) {
  paintedCube();
  paint(7, rgba(20, 200, 90, 0));
  ASSERT_EQ(middleColour(0), kPaint);
  const Model before = doc().workModel;
  startChange(Answer::yes);
  EXPECT_EQ(stateText(), "Changing layout - painting follows");
  ASSERT_EQ(texture().undoSteps().size(), 2u);

  resize(1024, 512);
  EXPECT_TRUE(change().layoutChanging);
  EXPECT_NE(doc().workModel, before);
  EXPECT_EQ(texture().width(), 1024);
  EXPECT_EQ(texture().height(), 512);
  EXPECT_EQ(texture().pixels().size(), 1024u * 512);
  EXPECT_EQ(middleColour(0), kPaint);
  EXPECT_EQ(middleColour(7), rgba(20, 200, 90, 0));
  EXPECT_EQ(middleColour(4), kWhite);
  EXPECT_TRUE(texture().undoSteps().empty());
  const std::vector<uint32_t> first = texture().pixels();

  // A tiny layout in between loses detail; the next unwrap starts again from the painting as
  // it was before the change, not from the tiny one.
  resize(32, 32);
  EXPECT_EQ(texture().width(), 32);
  resize(1024, 512);
  EXPECT_EQ(texture().pixels(), first);
  EXPECT_TRUE(change().layoutChanging);
}

TEST_F(LayoutFlow, CancelBringsBackLayoutTextureSettingsAndReport) {
  for (const Answer answer : {Answer::yes, Answer::no}) {
    SCOPED_TRACE(answer == Answer::yes ? "painting follows" : "starting empty");
    start();
    paintedCube();
    doc().view.viewMode = ViewMode::surfaceColours;
    const Model layout = doc().workModel;
    const Model source = doc().sourceModel;
    const UnwrapSettings settings = doc().settings;
    const std::string report = doc().reportText;
    const std::vector<uint32_t> painting = texture().pixels();
    const std::string counts = ui_.statusText[kStatusCounts];

    startChange(answer);
    changeSettings([](UnwrapSettings& s) {
      s.mapMode = MapMode::smooth;
      s.layoutWidth = 256;
      s.mergeSurfaces = false;
    });
    ASSERT_NE(doc().reportText, report);
    ASSERT_NE(ui_.statusText[kStatusCounts], counts);
    // A layer edit during the change, which the 3D window's follow-up stores in the source.
    doc().workModel.triangles[2].layer = 1;
    doc().workModel.layerNames.push_back("Extra");
    modelStoreLayers(doc().sourceModel, doc().workModel);

    mainEvent([&] { controller_->cancelLayoutChange(); });
    EXPECT_TRUE(doc().layoutLocked);
    EXPECT_FALSE(change().layoutChanging);
    EXPECT_EQ(doc().workModel, layout);
    EXPECT_EQ(doc().sourceModel, source);  // the layers of the restored layout
    EXPECT_EQ(doc().settings, settings);
    EXPECT_EQ(doc().reportText, report);
    EXPECT_EQ(ui_.statusText[kStatusCounts], counts);
    EXPECT_EQ(texture().width(), 512);
    EXPECT_EQ(texture().pixels(), painting);
    EXPECT_TRUE(texture().undoSteps().empty());
    EXPECT_EQ(doc().view.viewMode, ViewMode::texture);
    EXPECT_TRUE(change().before.model.triangles.empty());
    EXPECT_TRUE(change().textureBackup.tiles.empty());
  }
}

// An import is a step of the texture like a stroke: it locks a free layout and ends a change,
// keeping what was imported.
TEST_F(LayoutFlow, AnImportLocksAndEndsAChange) {
  const std::string picture = path("wood.png");
  ASSERT_TRUE(writeFileBytes(picture, encodePng(Image(512, 512, rgba(90, 60, 30)), false)));
  for (const bool changing : {false, true}) {
    SCOPED_TRACE(changing ? "changing" : "free");
    start();
    if (changing) {
      paintedCube();
      startChange(Answer::yes);
      resize(512, 256);
      ui_.answers.push_back(Answer::no);  // keep the picture's own size
    } else {
      openCube();
    }
    doc().view.viewMode = ViewMode::testPattern;
    ui_.openPaths.push_back(picture);
    mainEvent([&] { controller_->importTexture(); });
    EXPECT_TRUE(doc().layoutLocked);
    EXPECT_FALSE(change().layoutChanging);
    EXPECT_EQ(ui_.statusText[kStatusNote],
              changing ? kLockedStartedPaintingNote : kLockedPaintedNote);
    EXPECT_EQ(doc().view.viewMode, ViewMode::texture);
    EXPECT_EQ(texture().pixels()[0], rgba(90, 60, 30, 0));
    EXPECT_TRUE(change().textureBackup.tiles.empty());
  }
}

TEST_F(LayoutFlow, OpeningEndsAChangeWithoutBringingAnythingBack) {
  paintedCube();
  ui_.savePaths.push_back(path("cube.qmap"));
  mainEvent([&] { controller_->save(); });
  for (const char* file : {"cube.qmap", "cube.obj"}) {
    SCOPED_TRACE(file);
    startChange(Answer::no);
    resize(256, 256);
    ui_.answers.push_back(Answer::no);  // the unsaved-changes guard: drop them
    mainEvent([&] { controller_->openFile(path(file)); });
    EXPECT_FALSE(change().layoutChanging);
    EXPECT_TRUE(change().before.model.triangles.empty());
    EXPECT_TRUE(change().textureBackup.tiles.empty());
    // The project opens locked with its painting; the model opens free and unpainted.
    const bool project = std::string(file) == "cube.qmap";
    EXPECT_EQ(doc().layoutLocked, project);
    EXPECT_EQ(texture().width(), project ? 512 : 0);
    if (!project) break;
  }
}

// A project saved during a change opens into that change: the new layout stays free to change,
// the painting still follows from where it was, and Cancel brings back what was there before.
TEST_F(LayoutFlow, AProjectSavedDuringAChangeReopensIntoTheChange) {
  for (const Answer answer : {Answer::yes, Answer::no}) {
    const bool follows = answer == Answer::yes;
    SCOPED_TRACE(follows ? "painting follows" : "starting empty");
    start();
    paintedCube();
    doc().layers.color[0] = 0x336699;
    const Model layout = doc().workModel;
    const UnwrapSettings settings = doc().settings;
    const std::string report = doc().reportText;
    const std::vector<uint32_t> painting = texture().pixels();
    startChange(answer);
    changeSettings([](UnwrapSettings& s) {
      s.layoutWidth = 256;
      s.layoutHeight = 128;
      s.rotateMode = RotateMode::all;
    });
    const Model newLayout = doc().workModel;
    const std::vector<uint32_t> carried = texture().pixels();
    ASSERT_EQ(texture().width(), follows ? 256 : 0);
    const std::string file = follows ? "following.qmap" : "empty.qmap";
    ui_.savePaths.push_back(path(file));
    mainEvent([&] { controller_->save(); });
    ASSERT_TRUE(fs::exists(path(file)));
    EXPECT_TRUE(change().layoutChanging);  // saving does not end the change

    for (const bool cancel : {true, false}) {
      SCOPED_TRACE(cancel ? "then Cancel" : "then Lock layout");
      start();
      mainEvent([&] { controller_->openFile(path(file)); });
      EXPECT_FALSE(doc().layoutLocked);
      EXPECT_TRUE(change().layoutChanging);
      EXPECT_EQ(change().paintingFollows, follows);
      EXPECT_EQ(doc().workModel, newLayout);
      EXPECT_EQ(doc().settings.layoutWidth, 256);
      EXPECT_EQ(texture().pixels(), carried);
      EXPECT_EQ(controller_->mainTitle(), "Quillmap - " + file);
      const ControlStates shown = controlStates(session_, doc().settings);
      EXPECT_EQ(shown.layoutStateText, follows ? "Changing layout - painting follows"
                                               : "Changing layout - starting empty");
      EXPECT_TRUE(shown.lockLayoutVisible && shown.cancelVisible && shown.sizeEnabled);
      EXPECT_FALSE(shown.changeLayoutVisible);

      // Another unwrap carries the painting from before the change, not the 256 x 128 one.
      resize(1024, 512);
      EXPECT_TRUE(change().layoutChanging);
      if (follows) {
        EXPECT_EQ(texture().width(), 1024);
        EXPECT_EQ(middleColour(0), kPaint);
        EXPECT_EQ(middleColour(4), kWhite);
      } else {
        EXPECT_EQ(texture().width(), 0);
      }

      if (cancel) {
        mainEvent([&] { controller_->cancelLayoutChange(); });
        EXPECT_EQ(doc().workModel, layout);
        EXPECT_EQ(doc().settings, settings);
        EXPECT_EQ(doc().reportText, report);
        EXPECT_EQ(doc().layers.color[0], 0x336699u);
        EXPECT_EQ(texture().width(), 512);
        EXPECT_EQ(texture().pixels(), painting);
      } else {
        mainEvent([&] { controller_->lockLayout(); });
        EXPECT_EQ(ui_.statusText[kStatusNote], kNewLayoutLockedNote);
        EXPECT_EQ(doc().settings.layoutWidth, 1024);
      }
      EXPECT_TRUE(doc().layoutLocked);
      EXPECT_FALSE(change().layoutChanging);
      EXPECT_EQ(stateText(), "Locked (the texture is painted)");
    }
  }
}

// Whatever goes wrong during a change, the state before it can be had back, and no painting is
// lost unless the user chose to start empty.
TEST_F(LayoutFlow, BadInputDuringAChange) {
  // A locked layout without a texture (saved after starting empty): the change has nothing to
  // carry and Cancel has no texture to bring back.
  {
    paintedCube();
    startChange(Answer::no);
    mainEvent([&] { controller_->lockLayout(); });
    const Model layout = doc().workModel;
    startChange(Answer::yes);
    resize(1024, 1024);
    EXPECT_EQ(texture().width(), 0);
    mainEvent([&] { controller_->cancelLayoutChange(); });
    EXPECT_EQ(texture().width(), 0);
    EXPECT_EQ(doc().workModel, layout);
    EXPECT_TRUE(doc().layoutLocked);
  }
  // The model file replaced on disk during the change: Cancel reads nothing from it.
  {
    start();
    paintedCube();
    const Model layout = doc().workModel;
    const std::vector<uint32_t> painting = texture().pixels();
    startChange(Answer::yes);
    resize(256, 256);
    ASSERT_TRUE(genWriteFile(genSphere(8, 6), path("cube.obj")));
    mainEvent([&] { controller_->cancelLayoutChange(); });
    EXPECT_EQ(doc().workModel, layout);
    EXPECT_EQ(texture().pixels(), painting);
  }
  // A layout that does not match triangle for triangle: nothing is carried, the texture stays
  // as it was, and Cancel still brings the painting back.
  {
    start();
    paintedCube();
    const std::vector<uint32_t> painting = texture().pixels();
    startChange(Answer::yes);
    resize(1024, 512);
    const std::vector<uint32_t> carried = texture().pixels();
    session_.layoutChange.before.model.triangles.pop_back();
    resize(64, 64);
    EXPECT_EQ(texture().width(), 1024);
    EXPECT_EQ(texture().pixels(), carried);
    mainEvent([&] { controller_->cancelLayoutChange(); });
    EXPECT_EQ(texture().width(), 512);
    EXPECT_EQ(texture().pixels(), painting);
  }
}

// The whole story: paint, change the layout keeping the painting, lock, save, reopen and
// export; the exported texture has the paint where the new layout puts the triangle.
TEST_F(LayoutFlow, PaintChangeLockSaveReopenExport) {
  fs::create_directories(dir() / "SS" / "Bin");
  fs::create_directories(dir() / "SS" / "Models");
  writeText(path("SS/Bin/SeriousSam.exe"), "");
  paintedCube();
  const uint32_t green = rgba(30, 180, 60, 0);
  paint(9, green);
  EXPECT_EQ(ui_.statusText[kStatusNote], kLockedPaintedNote);
  const Model before = doc().workModel;

  startChange(Answer::yes);
  changeSettings([](UnwrapSettings& s) {
    s.mapMode = MapMode::smooth;
    s.layoutWidth = s.layoutHeight = 1024;
  });
  ASSERT_NE(doc().workModel, before);
  mainEvent([&] { controller_->lockLayout(); });
  EXPECT_EQ(ui_.statusText[kStatusNote], "New layout locked");
  ui_.savePaths.push_back(path("cube.qmap"));
  mainEvent([&] { controller_->save(); });

  start();
  prefs_.seriousSamRoot = path("SS") + "/";
  prefs_.writeTexture = true;
  mainEvent([&] { controller_->openFile(path("cube.qmap")); });
  EXPECT_TRUE(doc().layoutLocked);
  EXPECT_EQ(doc().settings.mapMode, MapMode::smooth);
  ASSERT_EQ(texture().width(), 1024);
  ui_.savePaths.push_back(path("SS/Models/cube.3ds"));
  mainEvent([&] { controller_->exportToSeriousSam(); });
  const std::optional<Image> tga = loadImage(path("SS/Models/cube.tga"));
  ASSERT_TRUE(tga);
  ASSERT_EQ(tga->width, 1024);
  for (const auto& [triangle, colour] : {std::pair{0, kPaint}, {9, green}, {4, kWhite}}) {
    EXPECT_EQ(middleColour(triangle), colour) << triangle;
    const auto [x, y] = middlePixel(triangle, 1024, 1024);
    EXPECT_EQ(tga->at(x, y), colour | 0xFF000000u) << triangle;  // a .tga reads back opaque
  }
}

}  // namespace
