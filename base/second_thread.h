// A second thread kept for work split in two: the caller does one part while the thread does
// the other. Started on first use and kept, so a split costs two hand-overs, never a thread
// start. The view keeps one for its frames; a long computation can keep one for its run.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class SecondThread {
 public:
  SecondThread() = default;
  // The thread is no state of its owner: a copy gets a thread of its own, started on its first
  // split, and an assigned owner keeps the one it has.
  SecondThread(const SecondThread&) : SecondThread() {}
  SecondThread& operator=(const SecondThread&) { return *this; }
  ~SecondThread();

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
