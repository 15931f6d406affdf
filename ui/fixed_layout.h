// The windows are laid out to the pixel: every gadget at its reference position and size.
#pragma once

#include <gtkmm.h>

#include <span>

inline void place(Gtk::Fixed& fixed, Gtk::Widget& widget, int x, int y, int w, int h) {
  widget.set_size_request(w, h);
  fixed.put(widget, x, y);
}

// A one-line text, left-aligned and vertically centred; cut with an ellipsis rather than
// running into its neighbour.
inline void placeLabel(Gtk::Fixed& fixed, Gtk::Label& label, int x, int y, int w, int h) {
  label.set_xalign(0);
  label.set_yalign(0.5);
  label.set_ellipsize(Pango::ELLIPSIZE_END);
  place(fixed, label, x, y, w, h);
}

// A list control offers a setting's items in the order of the setting's table.
inline void fillList(Gtk::ComboBoxText& list, std::span<const char* const> items) {
  for (const char* item : items) list.append(item);
}
