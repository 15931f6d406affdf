// The commands whose work runs in the background: the document changes only when the work
// ends well, so a cancelled unwrap or save leaves everything as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/background_job.h"
#include "app/unwrap_driver.h"
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
    controller_->takeChanges();
    return file;
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
  EXPECT_FALSE(jobs_.busy());
  EXPECT_EQ(session_.document.workModel.triangleCount(), 12);
  EXPECT_EQ(session_.document.settings.mapMode, MapMode::exact);
}

TEST_F(Background, ACancelledSaveLeavesTheOldFileByteForByte) {
  openSphere();
  const std::string project = path("ball.qmap");
  ui_.savePaths.push_back(project);
  ASSERT_TRUE(controller_->save());
  jobs_.wait();
  ASSERT_EQ(ui_.statusText[kStatusNote], "Project saved: ball.qmap");
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

  // An autosave waits while a save runs; the guard's save is waited for.
  prefs_.autosave = 1;
  ASSERT_TRUE(controller_->save());
  controller_->autosaveTick("12:00");
  EXPECT_EQ(jobs_.kind(), JobKind::save);
  jobs_.wait();
  EXPECT_FALSE(fs::exists(project + ".autosave"));
  EXPECT_NE(readText(project), saved);
  EXPECT_FALSE(controller_->projectCountsAsChanged());

  session_.document.projectChanged = true;
  ui_.answers.push_back(Answer::yes);
  EXPECT_TRUE(controller_->allowDiscard());
  EXPECT_FALSE(jobs_.busy());
  EXPECT_FALSE(controller_->projectCountsAsChanged());
}

}  // namespace
