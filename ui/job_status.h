// The status bar's part for long work: what runs, a progress bar and "Cancel". It appears
// only once the work has run a while, so that quick work shows nothing new. The runner's
// worker wakes the window's thread through it.
#pragma once

#include <gtkmm.h>

#include <functional>

#include "app/background_job.h"

class JobStatus : public Gtk::Box {
 public:
  // deliver: runs the finished job's end as an event of the window. busyChanged: a job began
  // (true) or ended (false), for the controls that must wait for it.
  JobStatus(std::function<void()> deliver, std::function<void(JobKind)> busyChanged);

  JobRunner& runner() { return runner_; }
  // After every event: a job it started is followed from now on.
  void follow();
  // Escape and the button: asks the running job to stop; false when none runs.
  bool cancel();

 private:
  bool tick();

  std::function<void()> deliver_;
  std::function<void(JobKind)> busyChanged_;
  Glib::Dispatcher wake_;
  JobRunner runner_{[this] { wake_.emit(); }};  // after wake_: it goes first, with its worker
  JobKind following_ = JobKind::none;
  sigc::connection timer_;
  Gtk::Label text_;
  Gtk::ProgressBar bar_;
  Gtk::Button cancel_{"Cancel"};
};
