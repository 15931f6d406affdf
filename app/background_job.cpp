#include "app/background_job.h"

#include <array>
#include <span>
#include <utility>

namespace {

// The stages a job goes through and the share of the bar each takes.
struct StageShare {
  ProgressStage stage;
  double from, to;
};
constexpr std::array kUnwrapShares{
    StageShare{ProgressStage::start, 0, 0.02},     StageShare{ProgressStage::weld, 0.02, 0.05},
    StageShare{ProgressStage::pieces, 0.05, 0.1},  StageShare{ProgressStage::flattening, 0.1, 0.75},
    StageShare{ProgressStage::packing, 0.75, 0.9}, StageShare{ProgressStage::surfaces, 0.9, 0.95},
    StageShare{ProgressStage::carrying, 0.95, 1}, StageShare{ProgressStage::done, 1, 1},
};
constexpr std::array kExportShares{
    StageShare{ProgressStage::start, 0, 0.1},
    StageShare{ProgressStage::padding, 0.1, 0.7},
    StageShare{ProgressStage::writing, 0.7, 1},
};

}  // namespace

std::string jobText(JobKind kind, ProgressStage stage) {
  switch (kind) {
    case JobKind::unwrap:
      switch (stage) {
        case ProgressStage::weld: return "Unwrapping: welding";
        case ProgressStage::pieces: return "Unwrapping: finding pieces";
        case ProgressStage::flattening: return "Unwrapping: flattening";
        case ProgressStage::packing: return "Unwrapping: packing";
        case ProgressStage::surfaces: return "Unwrapping: surfaces";
        case ProgressStage::carrying: return "Unwrapping: moving the painting";
        default: return "Unwrapping...";
      }
    case JobKind::save: return "Saving the project...";
    case JobKind::autosave: return "Autosaving...";
    case JobKind::exportFiles:
      return stage == ProgressStage::padding ? "Exporting: padding the texture" : "Exporting...";
    case JobKind::open: return "Opening...";
    case JobKind::none: break;
  }
  return "";
}

double jobFraction(JobKind kind, ProgressStage stage, double fraction) {
  // Opening a model unwraps it.
  const std::span<const StageShare> shares =
      kind == JobKind::unwrap || kind == JobKind::open ? kUnwrapShares
      : kind == JobKind::exportFiles                   ? kExportShares
                                                       : std::span<const StageShare>{};
  for (const StageShare& s : shares)
    if (s.stage == stage) return s.from + (s.to - s.from) * fraction;
  return fraction;
}

JobRunner::~JobRunner() {
  progress_->cancel();
  if (worker_.joinable()) worker_.join();
}

double JobRunner::secondsRunning() const {
  return busy() ? std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count()
                : 0;
}

void JobRunner::start(JobKind kind, std::function<void(Progress&)> work,
                      std::function<void(bool cancelled)> finish) {
  kind_ = kind;
  progress_ = std::make_shared<Progress>();
  started_ = std::chrono::steady_clock::now();
  finish_ = std::move(finish);
  if (!async()) {
    bool cancelled = false;
    try {
      work(*progress_);
    } catch (const WorkCancelled&) {
      cancelled = true;
    }
    if (cancelled) progress_->cancel();
    finishJob();
    return;
  }
  ended_ = false;
  worker_ = std::thread([this, work = std::move(work), progress = progress_] {
    try {
      work(*progress);
    } catch (const WorkCancelled&) {
      progress->cancel();
    }
    {
      std::lock_guard lock(mutex_);
      ended_ = true;
    }
    wake_();
  });
}

void JobRunner::cancel() {
  if (busy()) progress_->cancel();
}

bool JobRunner::ended() {
  std::lock_guard lock(mutex_);
  return worker_.joinable() && ended_;
}

bool JobRunner::deliver() {
  if (!ended()) return false;
  worker_.join();
  finishJob();
  return true;
}

void JobRunner::wait() {
  if (!worker_.joinable()) return;
  worker_.join();
  finishJob();
}

void JobRunner::finishJob() {
  kind_ = JobKind::none;
  // The finish may start the next job.
  std::exchange(finish_, {})(progress_->cancelled());
}
