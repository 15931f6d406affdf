#include "ui/number_field.h"

#include <string>

#include "base/number_text.h"

namespace {

constexpr int kArrowsWidth = 12;

}  // namespace

NumberField::NumberField(SpinRange range) : range_(range), value_(range.low) {
  get_style_context()->add_class("number-field");
  entry_.set_width_chars(1);  // the field's width comes from the layout
  entry_.set_input_purpose(Gtk::INPUT_PURPOSE_NUMBER);
  entry_.set_text(std::to_string(value_));
  arrows_.set_size_request(kArrowsWidth, -1);
  arrows_.add_events(Gdk::BUTTON_PRESS_MASK);
  pack_start(entry_, Gtk::PACK_EXPAND_WIDGET);
  pack_start(arrows_, Gtk::PACK_SHRINK);

  entry_.signal_activate().connect([this] { takeTyped(); });
  entry_.signal_focus_out_event().connect([this](GdkEventFocus*) {
    takeTyped();
    return false;
  });
  entry_.signal_key_press_event().connect(
      [this](GdkEventKey* key) {
        switch (key->keyval) {
          case GDK_KEY_Up: case GDK_KEY_KP_Up: step(1); return true;
          case GDK_KEY_Down: case GDK_KEY_KP_Down: step(-1); return true;
          case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: step(10); return true;
          case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: step(-10); return true;
          default: return false;
        }
      },
      false);
  add_events(Gdk::SCROLL_MASK | Gdk::SMOOTH_SCROLL_MASK);
  signal_scroll_event().connect([this](GdkEventScroll* e) {
    if (e->direction == GDK_SCROLL_UP || (e->direction == GDK_SCROLL_SMOOTH && e->delta_y < 0)) step(1);
    else if (e->direction == GDK_SCROLL_DOWN || (e->direction == GDK_SCROLL_SMOOTH && e->delta_y > 0)) step(-1);
    return true;
  });
  arrows_.signal_draw().connect(sigc::mem_fun(*this, &NumberField::drawArrows));
  arrows_.signal_button_press_event().connect([this](GdkEventButton* e) {
    if (e->button == 1 && e->type == GDK_BUTTON_PRESS)
      step(e->y < arrows_.get_allocated_height() / 2.0 ? 1 : -1);
    return true;
  });
}

void NumberField::setValue(int value) {
  value = range_.clamp(value);
  if (value == value_) return;
  value_ = value;
  entry_.set_text(std::to_string(value_));
}

void NumberField::step(int delta) {
  takeTyped();
  change(range_.clamp(static_cast<int64_t>(value_) + delta));
}

void NumberField::takeTyped() {
  const std::string text = entry_.get_text();
  const bool isNumber = text.find_first_of("0123456789") != std::string::npos;
  change(isNumber ? range_.clamp(leadingInt(text)) : value_);
}

void NumberField::change(int value) {
  const std::string text = std::to_string(value);
  if (entry_.get_text() != text) entry_.set_text(text);
  if (value == value_) return;
  value_ = value;
  if (onChange) onChange();
}

bool NumberField::drawArrows(const Cairo::RefPtr<Cairo::Context>& cr) {
  const double w = arrows_.get_allocated_width(), h = arrows_.get_allocated_height();
  const Glib::RefPtr<Gtk::StyleContext> style = get_style_context();
  const Gdk::RGBA colour = style->get_color(style->get_state());
  // Greyed out with the field, as the toolkit fades the number.
  const double alpha = colour.get_alpha() * (is_sensitive() ? 1.0 : 0.35);
  cr->set_source_rgba(colour.get_red(), colour.get_green(), colour.get_blue(), alpha);
  const double cx = w / 2, half = 3.5, top = h / 2 - 2, bottom = h / 2 + 2;
  cr->move_to(cx - half, top);
  cr->line_to(cx + half, top);
  cr->line_to(cx, top - half);
  cr->close_path();
  cr->move_to(cx - half, bottom);
  cr->line_to(cx + half, bottom);
  cr->line_to(cx, bottom + half);
  cr->close_path();
  cr->fill();
  return true;
}
