// Progress and stop requests of long work that may run on a worker thread. The work reports
// where it is at coarse points and stops when asked; the thread that shows it reads the
// figures whenever it likes. Every member may be used from any thread.
#pragma once

#include <atomic>
#include <functional>

// The steps long work goes through, for the text beside the progress bar.
enum class ProgressStage : int {
  start, weld, pieces, flattening, packing, surfaces, carrying, padding, writing, done
};

// Thrown from a checkpoint when the work was asked to stop; whoever started the work catches
// it and returns its own "cancelled" result. Nothing made so far is kept.
struct WorkCancelled {};

class Progress {
 public:
  Progress() = default;
  // listener: told of every report, on the working thread (for work that runs where it is
  // watched, such as the batch mode's).
  explicit Progress(std::function<void(ProgressStage, double)> listener)
      : listener_(std::move(listener)) {}

  // The work is at `stage`, `fraction` (0 to 1) of that stage done.
  void report(ProgressStage stage, double fraction) {
    stage_.store(stage, std::memory_order_relaxed);
    fraction_.store(fraction, std::memory_order_relaxed);
    if (listener_) listener_(stage, fraction);
  }
  // Asks the work to stop at its next checkpoint.
  void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
  ProgressStage stage() const { return stage_.load(std::memory_order_relaxed); }
  double fraction() const { return fraction_.load(std::memory_order_relaxed); }

 private:
  std::function<void(ProgressStage, double)> listener_;
  std::atomic<ProgressStage> stage_{ProgressStage::start};
  std::atomic<double> fraction_{0};
  std::atomic<bool> cancelled_{false};
};

// A checkpoint of work that may run without anyone watching (progress null): reports, and
// throws WorkCancelled when a stop was asked for.
inline void checkpoint(Progress* progress, ProgressStage stage, double fraction) {
  if (!progress) return;
  progress->report(stage, fraction);
  if (progress->cancelled()) throw WorkCancelled{};
}
