#include "ui/colour_swatch.h"

ColourSwatch::ColourSwatch() { add_events(Gdk::BUTTON_PRESS_MASK); }

void ColourSwatch::show(std::optional<uint32_t> colour) {
  if (colour == colour_) return;
  colour_ = colour;
  queue_draw();
}

bool ColourSwatch::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
  const double w = get_allocated_width(), h = get_allocated_height();
  // A greyed-out swatch fades as the toolkit's other gadgets do.
  const double alpha = is_sensitive() ? 1.0 : 0.4;
  if (colour_) {
    const uint32_t c = *colour_;
    cr->set_source_rgba((c & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0, (c >> 16 & 0xFF) / 255.0, alpha);
    cr->rectangle(1, 1, w - 2, h - 2);
    cr->fill();
  }
  cr->set_source_rgba(0, 0, 0, alpha);
  cr->set_line_width(1);
  cr->rectangle(0.5, 0.5, w - 1, h - 1);
  cr->stroke();
  return true;
}

bool ColourSwatch::on_button_press_event(GdkEventButton* event) {
  if (event->type == GDK_BUTTON_PRESS && event->button == 1 && onClick) onClick();
  return true;
}
