#include "ui/uv_canvas.h"

#include "ui/image_surface.h"

UvCanvas::UvCanvas() {
  set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
  set_shadow_type(Gtk::SHADOW_IN);
  inner_.put(canvas_, 4, 4);
  add(inner_);
  canvas_.signal_draw().connect(sigc::mem_fun(*this, &UvCanvas::drawCanvas));
  canvas_.drag_dest_set({Gtk::TargetEntry("text/uri-list")}, Gtk::DEST_DEFAULT_ALL,
                        Gdk::ACTION_COPY);
  canvas_.signal_drag_data_received().connect(sigc::mem_fun(*this, &UvCanvas::dropped));
}

void UvCanvas::show(const Image& picture) {
  if (picture.empty()) return;
  copyToSurface(picture, surface_);
  canvas_.set_size_request(picture.width, picture.height);
  inner_.set_size_request(picture.width + 8, picture.height + 8);
  canvas_.queue_draw();
}

bool UvCanvas::drawCanvas(const Cairo::RefPtr<Cairo::Context>& cr) {
  if (!surface_) return false;
  cr->set_source(surface_, 0, 0);
  cr->paint();
  return true;
}

void UvCanvas::dropped(const Glib::RefPtr<Gdk::DragContext>&, int, int,
                       const Gtk::SelectionData& data, guint, guint) {
  const std::vector<Glib::ustring> uris = data.get_uris();
  if (uris.empty() || !onDrop) return;
  std::string path;
  try {
    path = Glib::filename_from_uri(uris.front());
  } catch (const Glib::Error&) {
    return;  // not a local file
  }
  onDrop(path);
}
