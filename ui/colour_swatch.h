// A small framed field that shows a colour and reports clicks: the brush colour of the 3D
// window and the colour of the New texture dialog.
#pragma once

#include <gtkmm.h>

#include <cstdint>
#include <functional>
#include <optional>

class ColourSwatch : public Gtk::DrawingArea {
 public:
  ColourSwatch();
  // RGB, red in the lowest byte; nothing leaves the inside empty.
  void show(std::optional<uint32_t> colour);
  std::optional<uint32_t> colour() const { return colour_; }
  std::function<void()> onClick;

 protected:
  bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
  bool on_button_press_event(GdkEventButton* event) override;

 private:
  std::optional<uint32_t> colour_;
};
