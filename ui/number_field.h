// A compact spin box: a number field with a pair of small step arrows at its right end. The
// 3D window's toolbar gives its spin boxes 46 to 70 pixels, too few for the toolkit's spin
// button with its two icon-sized buttons beside the number.
#pragma once

#include <gtkmm.h>

#include <functional>

#include "base/setting.h"

class NumberField : public Gtk::Box {
 public:
  explicit NumberField(SpinRange range);

  int value() const { return value_; }
  // Shows `value` (brought into the range) without calling onChange. A number being typed is
  // kept when the value is the one shown already.
  void setValue(int value);
  // Called when the user changed the value: a step, or a typed number taken with Enter or on
  // leaving the field.
  std::function<void()> onChange;

 private:
  void step(int delta);
  // The typed text becomes the value (brought into the range; the last value when it is no
  // number).
  void takeTyped();
  void change(int value);
  bool drawArrows(const Cairo::RefPtr<Cairo::Context>& cr);

  SpinRange range_;
  int value_;
  Gtk::Entry entry_;
  Gtk::DrawingArea arrows_;
};
