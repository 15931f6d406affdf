// A second thread kept for the view's renders: a frame is split in two parts, the caller
// draws one while the worker draws the other. Started on first use and kept, so a frame costs
// two hand-overs, never a thread start.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class RenderWorker {
 public:
  RenderWorker() = default;
  // The thread is no state of the view: a copy of a view gets a worker of its own, started
  // when it first renders, and an assigned view keeps the one it has.
  RenderWorker(const RenderWorker&) : RenderWorker() {}
  RenderWorker& operator=(const RenderWorker&) { return *this; }
  ~RenderWorker();

  // Calls job(1) on the worker and job(0) on the calling thread; returns once both have
  // returned. The job must not throw. One caller at a time.
  template <typename Job>
  void run(Job& job) {
    runParts([](void* j, int part) { (*static_cast<Job*>(j))(part); }, &job);
  }

 private:
  void runParts(void (*call)(void*, int), void* job);
  void loop();

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  void (*call_)(void*, int) = nullptr;
  void* job_ = nullptr;
  uint64_t started_ = 0, done_ = 0;  // jobs handed over and jobs the worker has finished
  bool quit_ = false;
};
