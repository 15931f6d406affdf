// The runner of long work and the unwrap's progress: results arrive on the thread that asked,
// a stop request ends the work at its next checkpoint, and watching changes no result.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/background_job.h"
#include "tests/unwrap_checks.h"
#include "unwrap/unwrap_model.h"

namespace {

// Work that runs until it is asked to stop.
void untilCancelled(Progress& progress) {
  for (;;) {
    checkpoint(&progress, ProgressStage::flattening, 0.5);
    std::this_thread::yield();
  }
}

TEST(JobRunner, WithoutAWakeTheJobAndItsFinishRunAtOnce) {
  JobRunner runner;
  EXPECT_FALSE(runner.async());
  std::vector<std::string> steps;
  runner.start(
      JobKind::save, [&](Progress&) { steps.push_back("work"); },
      [&](bool cancelled) { steps.push_back(cancelled ? "cancelled" : "finished"); });
  EXPECT_EQ(steps, (std::vector<std::string>{"work", "finished"}));
  EXPECT_FALSE(runner.busy());
  // A job that stops itself counts as cancelled.
  runner.start(
      JobKind::unwrap, [](Progress&) { throw WorkCancelled{}; },
      [&](bool cancelled) { steps.push_back(cancelled ? "cancelled" : "finished"); });
  EXPECT_EQ(steps.back(), "cancelled");
}

TEST(JobRunner, TheFinishRunsOnTheAskingThreadAfterTheWake) {
  std::atomic<int> wakes = 0;
  JobRunner runner([&] { ++wakes; });
  const std::thread::id self = std::this_thread::get_id();
  std::thread::id workedOn, finishedOn;
  bool wasCancelled = true;
  runner.start(
      JobKind::unwrap, [&](Progress& p) {
        workedOn = std::this_thread::get_id();
        p.report(ProgressStage::packing, 0.25);
      },
      [&](bool cancelled) {
        finishedOn = std::this_thread::get_id();
        wasCancelled = cancelled;
      });
  EXPECT_TRUE(runner.busy());
  EXPECT_EQ(runner.kind(), JobKind::unwrap);
  while (wakes == 0) std::this_thread::yield();
  EXPECT_TRUE(runner.ended());
  EXPECT_EQ(runner.progress().stage(), ProgressStage::packing);
  EXPECT_TRUE(runner.busy());  // until the finish has run
  EXPECT_TRUE(runner.deliver());
  EXPECT_FALSE(runner.deliver());
  EXPECT_FALSE(runner.busy());
  EXPECT_NE(workedOn, self);
  EXPECT_EQ(finishedOn, self);
  EXPECT_FALSE(wasCancelled);
}

TEST(JobRunner, CancelStopsTheWorkAndTheFinishHearsOfIt) {
  JobRunner runner([] {});
  int finishes = 0;
  bool wasCancelled = false;
  runner.start(JobKind::unwrap, untilCancelled, [&](bool cancelled) {
    ++finishes;
    wasCancelled = cancelled;
  });
  runner.cancel();
  runner.wait();
  EXPECT_EQ(finishes, 1);
  EXPECT_TRUE(wasCancelled);
  EXPECT_FALSE(runner.busy());
  // The next job starts afresh, not cancelled.
  runner.start(JobKind::save, [](Progress&) {}, [&](bool cancelled) { wasCancelled = cancelled; });
  runner.wait();
  EXPECT_FALSE(wasCancelled);
  EXPECT_EQ(runner.kind(), JobKind::none);
}

TEST(JobRunner, ClosingStopsARunningJobWithoutItsFinish) {
  bool finished = false;
  {
    JobRunner runner([] {});
    runner.start(JobKind::unwrap, untilCancelled, [&](bool) { finished = true; });
  }
  EXPECT_FALSE(finished);
}

TEST(JobFraction, TheStagesFillTheBarInOrder) {
  struct Case {
    JobKind kind;
    std::vector<ProgressStage> stages;
  };
  const Case cases[] = {
      {JobKind::unwrap,
       {ProgressStage::start, ProgressStage::weld, ProgressStage::pieces, ProgressStage::flattening,
        ProgressStage::packing, ProgressStage::surfaces, ProgressStage::carrying,
        ProgressStage::done}},
      {JobKind::exportFiles, {ProgressStage::start, ProgressStage::padding, ProgressStage::writing}},
  };
  for (const Case& c : cases) {
    double last = -1;
    for (ProgressStage stage : c.stages)
      for (double f : {0.0, 0.5, 1.0}) {
        const double now = jobFraction(c.kind, stage, f);
        EXPECT_GE(now, last);
        EXPECT_LE(now, 1.0);
        last = now;
      }
    EXPECT_EQ(last, 1.0);
  }
  EXPECT_EQ(jobFraction(JobKind::save, ProgressStage::writing, 0.4), 0.4);
}

TEST(UnwrapProgress, WatchingChangesNothingAndAStopLeavesNoResult) {
  struct Case {
    MapMode mode;
    MirrorAxis mirror;
  };
  const Model source = modelOf(xSymmetricModel());
  for (const Case c : {Case{MapMode::exact, MirrorAxis::off}, Case{MapMode::smooth, MirrorAxis::off},
                       Case{MapMode::smooth, MirrorAxis::leftRight}}) {
    UnwrapSettings settings;
    settings.mapMode = c.mode;
    settings.mirrorAxis = c.mirror;
    const UnwrapResult plain = unwrapSourceModel(source, settings);
    Progress progress;
    const UnwrapResult watched = unwrapSourceModel(source, settings, &progress);
    EXPECT_FALSE(watched.cancelled);
    EXPECT_EQ(watched.workModel, plain.workModel);
    EXPECT_EQ(watched.report, plain.report);
    EXPECT_EQ(watched.stats, plain.stats);
    EXPECT_EQ(progress.stage(), ProgressStage::done);

    Progress stopped;
    stopped.cancel();
    const UnwrapResult none = unwrapSourceModel(source, settings, &stopped);
    EXPECT_TRUE(none.cancelled);
    EXPECT_EQ(none.workModel, Model{});
    EXPECT_TRUE(none.report.empty());
  }
}

}  // namespace
