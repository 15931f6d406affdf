// The UV view: a scrolling area holding a canvas that shows the picture the core drew, and
// accepts files dropped on it.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <string>

#include "image/image.h"

class UvCanvas : public Gtk::ScrolledWindow {
 public:
  UvCanvas();
  // Shows `picture` (opaque RGBA, red in the lowest byte) at (4, 4); the scrollable inner
  // size becomes its size + 8 on each axis.
  void show(const Image& picture);
  // Called with the local path of the first file dropped on the canvas.
  std::function<void(const std::string&)> onDrop;

 private:
  bool drawCanvas(const Cairo::RefPtr<Cairo::Context>& cr);
  void dropped(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y,
               const Gtk::SelectionData& data, guint info, guint time);

  Gtk::Fixed inner_;
  Gtk::DrawingArea canvas_;
  Cairo::RefPtr<Cairo::ImageSurface> surface_;
};
