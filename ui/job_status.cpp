#include "ui/job_status.h"

namespace {

// Work that ends sooner shows no progress bar.
constexpr double kShowAfterSeconds = 0.3;
constexpr unsigned kTickMilliseconds = 50;

}  // namespace

JobStatus::JobStatus(std::function<void()> deliver, std::function<void(JobKind)> busyChanged)
    : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 4),
      deliver_(std::move(deliver)),
      busyChanged_(std::move(busyChanged)) {
  set_name("quillmap-job");
  bar_.set_size_request(160, -1);
  bar_.set_valign(Gtk::ALIGN_CENTER);
  pack_start(text_, Gtk::PACK_SHRINK);
  pack_start(bar_, Gtk::PACK_SHRINK);
  pack_start(cancel_, Gtk::PACK_SHRINK);
  show_all_children();
  set_no_show_all(true);
  cancel_.signal_clicked().connect([this] { cancel(); });
  wake_.connect([this] { deliver_(); });
}

void JobStatus::follow() {
  const JobKind kind = runner_.kind();
  if (kind == following_) return;
  if (following_ == JobKind::none) {
    timer_ = Glib::signal_timeout().connect(sigc::mem_fun(*this, &JobStatus::tick),
                                            kTickMilliseconds);
  } else if (kind == JobKind::none) {
    timer_.disconnect();
    hide();
  }
  following_ = kind;
  busyChanged_(kind);
}

bool JobStatus::cancel() {
  if (!runner_.busy()) return false;
  runner_.cancel();
  cancel_.set_sensitive(false);
  text_.set_text("Cancelling...");
  return true;
}

bool JobStatus::tick() {
  // A wake that came while a dialog's own loop held the events is taken up here.
  if (runner_.ended()) deliver_();
  if (!runner_.busy()) return true;  // follow() stops the timer after the delivering event
  if (runner_.secondsRunning() < kShowAfterSeconds || runner_.progress().cancelled()) return true;
  const Progress& progress = runner_.progress();
  text_.set_text(jobText(runner_.kind(), progress.stage()));
  bar_.set_fraction(jobFraction(runner_.kind(), progress.stage(), progress.fraction()));
  if (!get_visible()) {
    cancel_.set_sensitive(true);
    show();
  }
  return true;
}
