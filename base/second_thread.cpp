#include "base/second_thread.h"

SecondThread::~SecondThread() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void SecondThread::runParts(void (*call)(void*, int), void* job) {
  if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
  uint64_t ticket;
  {
    const std::lock_guard lock(mutex_);
    call_ = call;
    job_ = job;
    ticket = ++started_;
  }
  wake_.notify_one();
  call(job, 0);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return done_ == ticket; });
}

void SecondThread::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return quit_ || started_ != done_; });
    if (quit_) return;
    const auto call = call_;
    void* const job = job_;
    lock.unlock();
    call(job, 1);
    lock.lock();
    ++done_;
    finished_.notify_one();
  }
}
