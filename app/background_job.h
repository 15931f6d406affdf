// Long work off the window's thread: one job at a time runs on a worker thread while the
// windows keep drawing. The job works on its own copies of what it needs; what it made is
// taken into the session by `finish` on the window's thread, and only when it was not
// cancelled, so Cancel loses nothing.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/progress.h"

// What a job changes, so that the controls that change the same state wait for it.
enum class JobKind { none, unwrap, save, autosave, exportFiles, open };

// The text beside the progress bar ("Unwrapping: flattening").
std::string jobText(JobKind kind, ProgressStage stage);
// The bar's fraction of the whole for a job at `stage`, `fraction` of that stage done.
double jobFraction(JobKind kind, ProgressStage stage, double fraction);

class JobRunner {
 public:
  // wake: called on the worker when its job has ended; the window's thread then calls
  // deliver(). Without it the runner is synchronous: start() runs the job and its finish at
  // once on the caller's thread (the batch mode, most tests).
  explicit JobRunner(std::function<void()> wake = {}) : wake_(std::move(wake)) {}
  // Asks a running job to stop and waits for it; its finish does not run.
  ~JobRunner();
  JobRunner(const JobRunner&) = delete;
  JobRunner& operator=(const JobRunner&) = delete;

  bool async() const { return static_cast<bool>(wake_); }
  // Whether a job was started and its finish has not run yet.
  bool busy() const { return kind_ != JobKind::none; }
  JobKind kind() const { return kind_; }
  // Of the running job: how far it is, and how long it has run.
  const Progress& progress() const { return *progress_; }
  double secondsRunning() const;

  // Runs `work` (on the worker) and then `finish(cancelled)` (on this thread). Requires
  // !busy(). work may throw WorkCancelled at its checkpoints.
  void start(JobKind kind, std::function<void(Progress&)> work,
             std::function<void(bool cancelled)> finish);
  // Asks the running job to stop; its finish runs with cancelled = true once the worker has
  // stopped. Nothing when none runs.
  void cancel();
  // Whether the worker's work has returned, so that deliver() runs the finish.
  bool ended();
  // On this thread after a wake: when the worker has ended, joins it and runs the finish.
  // Returns whether it did.
  bool deliver();
  // Waits for the running job to end, then runs its finish. Nothing when none runs.
  void wait();

 private:
  void finishJob();

  std::function<void()> wake_;
  JobKind kind_ = JobKind::none;
  std::shared_ptr<Progress> progress_ = std::make_shared<Progress>();
  std::function<void(bool)> finish_;
  std::thread worker_;
  std::mutex mutex_;
  bool ended_ = false;  // under mutex_: the worker's work has returned
  std::chrono::steady_clock::time_point started_;
};
