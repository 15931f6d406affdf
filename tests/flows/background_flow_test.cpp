// The commands whose work runs in the background: the document changes only when the work
// ends well, so a cancelled unwrap or save leaves everything as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/background_job.h"
#include "app/export_job.h"
#include "app/export_plan.h"
#include "app/layout_change.h"
#include "app/unwrap_driver.h"
#include "base/file_io.h"
#include "image/image.h"
#include "tests/flows/program_test.h"
#include "tools/meshgen/meshgen.h"
#include "unwrap/unwrap_model.h"

namespace {

namespace fs = std::filesystem;

class Background : public ProgramTest {
 protected:
  Background() : ProgramTest("quillmap_background") {
    makeController();
    // Nobody is woken: the tests wait for the work themselves.
    controller_->useJobs(jobs_);
  }
  std::string openSphere() {
    const std::string file = path("ball.obj");
    EXPECT_TRUE(genWriteFile(genSphere(48, 32), file));
    EXPECT_TRUE(controller_->openFile(file));
    jobs_.wait();
    controller_->takeChanges();
    return file;
  }
  // The opened sphere saved as ball.qmap; the project's path.
  std::string savedSphere() {
    openSphere();
    const std::string project = path("ball.qmap");
    ui_.savePaths.push_back(project);
    EXPECT_TRUE(controller_->save());
    jobs_.wait();
    EXPECT_EQ(ui_.statusText[kStatusNote], "Project saved: ball.qmap");
    return project;
  }
  // Every file of the folder with its bytes.
  std::map<std::string, std::string> filesIn(const std::string& folder) const {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
      files[e.path().filename()] = readText(e.path().string());
    return files;
  }
  // A painted sphere with a layout of w x h, exported with every file into a fake Serious Sam
  // folder; the folder of the export.
  std::string exportedSphere(int w, int h) {
    fs::create_directories(dir() / "SS" / "Bin");
    fs::create_directories(dir() / "SS" / "Models");
    writeText(path("SS/Bin/SeriousSam.exe"), "");
    prefs_.seriousSamRoot = path("SS") + "/";
    prefs_.writePNG = true;
    session_.document.settings.layoutWidth = w;
    session_.document.settings.layoutHeight = h;
    openSphere();
    paintWith(rgba(200, 30, 30, 0));
    ui_.savePaths.push_back(path("SS/Models/ball.3ds"));
    EXPECT_TRUE(controller_->exportToSeriousSam());
    jobs_.wait();
    EXPECT_EQ(ui_.statusText[kStatusNote],
              "Exported ball.3ds + .scr + .tga + .tex + UV layout");
    return path("SS/Models");
  }
  void paintWith(uint32_t colour) {
    Document& d = session_.document;
    d.texture.newTexture(NewTextureKind::oneColour, colour, d.settings.layoutWidth,
                         d.settings.layoutHeight, &d.workModel);
  }
  const ProjectContent& content() const { return session_.document; }

  JobRunner jobs_{[] {}};
};

TEST_F(Background, ACancelledUnwrapLeavesTheDocumentAsItWas) {
  openSphere();
  const ProjectContent before = content();
  const std::string counts = ui_.statusText[kStatusCounts];
  UnwrapSettings next = session_.document.settings;
  next.mapMode = MapMode::smooth;
  next.margin = 9;
  controller_->changeSettings(next, true);
  // While it runs the document is untouched, and the controls keep showing the new value.
  EXPECT_TRUE(jobs_.busy());
  EXPECT_FALSE(controller_->takeChanges().controls);
  EXPECT_EQ(content(), before);
  EXPECT_EQ(ui_.statusText[kStatusCounts], kUnwrappingNote);
  jobs_.cancel();
  jobs_.wait();
  EXPECT_EQ(content(), before);
  EXPECT_TRUE(controller_->takeChanges().controls);  // the control goes back to its value
  EXPECT_EQ(ui_.statusText[kStatusCounts], counts);
  EXPECT_EQ(ui_.statusText[kStatusNote], kUnwrapCancelledNote);

  // Run to its end, it gives what the same unwrap gives at once.
  controller_->changeSettings(next, false);
  jobs_.wait();
  EXPECT_EQ(session_.document.settings, next);
  const UnwrapResult direct = unwrapSourceModel(session_.document.sourceModel, next);
  EXPECT_EQ(session_.document.workModel, direct.workModel);
  EXPECT_EQ(session_.document.reportText, direct.report);
  const Changes changes = controller_->takeChanges();
  EXPECT_TRUE(changes.report && changes.uvView && changes.model3d);
}

TEST_F(Background, OpeningAnotherModelStopsTheUnwrapOfTheOldOne) {
  openSphere();
  UnwrapSettings next = session_.document.settings;
  next.mapMode = MapMode::smooth;
  controller_->changeSettings(next, false);
  const std::string cube = path("cube.obj");
  ASSERT_TRUE(genWriteFile(genCube(), cube));
  ui_.answers.push_back(Answer::no);  // the guard: the new model is not saved
  ASSERT_TRUE(controller_->openFile(cube));
  EXPECT_EQ(jobs_.kind(), JobKind::open);
  jobs_.wait();
  EXPECT_EQ(session_.document.workModel.triangleCount(), 12);
  EXPECT_EQ(session_.document.settings.mapMode, MapMode::exact);
}

TEST_F(Background, ACancelledSaveLeavesTheOldFileByteForByte) {
  const std::string project = savedSphere();
  const std::string saved = readText(project);

  session_.document.settings.maxStretch = 55;  // a change to save
  session_.document.projectChanged = true;
  ASSERT_TRUE(controller_->save());
  jobs_.cancel();
  jobs_.wait();
  EXPECT_EQ(readText(project), saved);
  EXPECT_FALSE(fs::exists(project + ".tmp"));
  EXPECT_FALSE(fs::exists(path("ball.bak")));
  EXPECT_TRUE(controller_->projectCountsAsChanged());
  EXPECT_EQ(ui_.statusText[kStatusNote], "Save cancelled");

  // An autosave waits while a save runs.
  prefs_.autosave = 1;
  ASSERT_TRUE(controller_->save());
  controller_->autosaveTick("12:00");
  EXPECT_EQ(jobs_.kind(), JobKind::save);
  jobs_.wait();
  EXPECT_FALSE(fs::exists(project + ".autosave"));
  EXPECT_NE(readText(project), saved);
  EXPECT_FALSE(controller_->projectCountsAsChanged());

}

TEST_F(Background, ACancelledExportChangesNoFileWhereverItStops) {
  const std::string folder = exportedSphere(128, 64);
  const std::map<std::string, std::string> before = filesIn(folder);
  ASSERT_EQ(before.size(), 5u);
  paintWith(rgba(10, 200, 10, 0));  // what the next export would write differs
  const Texture& t = session_.document.texture;
  const std::string model = folder + "/ball.3ds";
  const ExportInputs inputs{exportPlan(model, model, {true, true, true, true}, true,
                                       [](const std::string& p) { return fs::exists(p); }),
                            session_.document.workModel, t.pixels(), t.width(), t.height(),
                            128, 64, prefs_.seriousSamRoot};
  // Stopped at its first, second, ... checkpoint, until it runs to the end.
  int stops = 0;
  for (int at = 1;; ++at) {
    SCOPED_TRACE(at);
    int reports = 0;
    Progress* self = nullptr;
    Progress progress([&](ProgressStage, double) {
      if (++reports == at) self->cancel();
    });
    self = &progress;
    try {
      const ExportOutcome outcome = writeExport(inputs, &progress);
      EXPECT_TRUE(outcome.done);
      EXPECT_EQ(outcome.report, "Exported ball.3ds + .scr + .tga + .tex + UV layout");
      break;
    } catch (const WorkCancelled&) {
      ++stops;
      ASSERT_EQ(filesIn(folder), before);  // byte for byte, and no file more
    }
    ASSERT_LT(at, 1000);
  }
  EXPECT_GT(stops, 5);  // it stopped in the padding as well as between the files
  const std::map<std::string, std::string> after = filesIn(folder);
  EXPECT_EQ(after.size(), 5u);
  EXPECT_TRUE(after.at("ball.tga") != before.at("ball.tga"));
  EXPECT_TRUE(after.at("ball.3ds") == before.at("ball.3ds"));
}

TEST_F(Background, AnExportCancelledFromTheWindowSaysSoAndRemembersNothing) {
  const std::string folder = exportedSphere(256, 256);
  const std::map<std::string, std::string> before = filesIn(folder);
  paintWith(rgba(10, 200, 10, 0));
  session_.document.projectChanged = false;
  // Elsewhere, where nothing exists yet: nothing may be left there either.
  fs::create_directories(dir() / "SS" / "Other");
  for (const std::string& chosen : {folder + "/ball.3ds", path("SS/Other/ball.3ds")}) {
    SCOPED_TRACE(chosen);
    const std::map<std::string, std::string> there = filesIn(folderOf(chosen));
    ui_.savePaths.push_back(chosen);
    ui_.answers.push_back(Answer::yes);  // in case the question comes
    ASSERT_TRUE(controller_->exportToSeriousSam());
    EXPECT_EQ(jobs_.kind(), JobKind::exportFiles);
    jobs_.cancel();
    jobs_.wait();
    EXPECT_EQ(filesIn(folderOf(chosen)), there);
    EXPECT_EQ(ui_.statusText[kStatusNote], kExportCancelledNote);
    EXPECT_EQ(session_.document.exportPath, folder + "/ball.3ds");
    EXPECT_FALSE(session_.document.projectChanged);
  }
  ui_.answers.clear();
  EXPECT_EQ(filesIn(folder), before);
}

TEST_F(Background, ThePaintingFollowsOnTheWorkerAndACancelBringsItAllBack) {
  openSphere();
  paintWith(rgba(90, 20, 160, 0));
  session_.document.layoutLocked = true;
  ui_.answers.push_back(Answer::yes);  // keep the painting
  controller_->startLayoutChange();
  ASSERT_TRUE(session_.layoutChange.layoutChanging);
  const ProjectContent before = content();
  const std::vector<uint32_t> pixels = session_.document.texture.pixels();
  UnwrapSettings next = session_.document.settings;
  next.layoutWidth = 1024;
  next.margin = 7;
  controller_->changeSettings(next, false);
  jobs_.cancel();
  jobs_.wait();
  EXPECT_EQ(content(), before);
  EXPECT_EQ(session_.document.texture.pixels(), pixels);
  EXPECT_EQ(session_.document.texture.width(), 512);
  EXPECT_TRUE(session_.layoutChange.layoutChanging);

  controller_->changeSettings(next, false);
  jobs_.wait();
  const UnwrapResult direct = unwrapSourceModel(session_.document.sourceModel, next);
  const std::optional<CarriedPainting> carried =
      carryPainting(session_.layoutChange, direct.workModel, 1024, 512);
  ASSERT_TRUE(carried);
  EXPECT_EQ(session_.document.texture.pixels(), carried->pixels);
  EXPECT_EQ(session_.document.texture.width(), 1024);
  // The transfer itself stops when asked.
  Progress stopped;
  stopped.cancel();
  EXPECT_THROW(carryPainting(session_.layoutChange, direct.workModel, 1024, 512, &stopped),
               WorkCancelled);
}

TEST_F(Background, ACancelledOpenLeavesTheProjectAsItWas) {
  const std::string project = savedSphere();
  const std::string cube = path("cube.obj");
  ASSERT_TRUE(genWriteFile(genCube(), cube));
  ASSERT_TRUE(controller_->openFile(cube));
  jobs_.wait();
  ASSERT_EQ(session_.document.workModel.triangleCount(), 12);
  session_.document.projectChanged = false;
  const ProjectContent before = content();

  for (const std::string& other : {project, path("ball.obj")}) {
    SCOPED_TRACE(other);
    ASSERT_TRUE(controller_->openFile(other));
    EXPECT_EQ(jobs_.kind(), JobKind::open);
    jobs_.cancel();
    jobs_.wait();
    EXPECT_EQ(content(), before);
    EXPECT_EQ(session_.document.modelPath, cube);
    EXPECT_TRUE(session_.document.projectPath.empty());
    EXPECT_EQ(ui_.statusText[kStatusNote], kOpenCancelledNote);
  }
  ASSERT_TRUE(controller_->openFile(project));
  jobs_.wait();
  EXPECT_EQ(session_.document.projectPath, project);
  EXPECT_EQ(ui_.statusText[kStatusFile], "ball.qmap");
  EXPECT_TRUE(controller_->takeChanges().reopen3d);
}

TEST_F(Background, TheGuardsSaveRunsInTheBackgroundAndTheActionWaitsForIt) {
  const std::string project = savedSphere();
  const std::string saved = readText(project);
  const std::string cube = path("cube.obj");
  ASSERT_TRUE(genWriteFile(genCube(), cube));

  // Cancelling the save refuses the open, and the old file stays.
  session_.document.settings.maxStretch = 44;
  session_.document.projectChanged = true;
  ui_.answers.push_back(Answer::yes);
  ASSERT_TRUE(controller_->openFile(cube));
  EXPECT_EQ(jobs_.kind(), JobKind::save);
  jobs_.cancel();
  jobs_.wait();
  EXPECT_FALSE(jobs_.busy());
  EXPECT_EQ(session_.document.modelPath, path("ball.obj"));
  EXPECT_EQ(readText(project), saved);
  EXPECT_FALSE(fs::exists(project + ".tmp"));
  EXPECT_TRUE(controller_->projectCountsAsChanged());

  // A save that ends well goes on with the open.
  ui_.answers.push_back(Answer::yes);
  ASSERT_TRUE(controller_->openFile(cube));
  EXPECT_EQ(jobs_.kind(), JobKind::save);
  jobs_.wait();
  EXPECT_NE(readText(project), saved);
  EXPECT_EQ(jobs_.kind(), JobKind::open);
  jobs_.wait();
  EXPECT_EQ(session_.document.modelPath, cube);

  // And with quitting.
  controller_->takeChanges();
  ui_.savePaths.push_back(path("cube.qmap"));
  ui_.answers.push_back(Answer::yes);
  controller_->quit();
  EXPECT_FALSE(controller_->takeChanges().quit);
  jobs_.wait();
  EXPECT_TRUE(controller_->takeChanges().quit);
  EXPECT_TRUE(fs::exists(path("cube.qmap")));
}

}  // namespace
