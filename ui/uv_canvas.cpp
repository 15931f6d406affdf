#include "ui/uv_canvas.h"

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
  if (!surface_ || surface_->get_width() != picture.width ||
      surface_->get_height() != picture.height)
    surface_ = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, picture.width, picture.height);
  surface_->flush();
  // Cairo keeps a pixel as one native 32-bit word 0x00RRGGBB; ours has red in the lowest byte.
  unsigned char* data = surface_->get_data();
  const int stride = surface_->get_stride();
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    const uint32_t* source = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t c = source[x];
      row[x] = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    }
  }
  surface_->mark_dirty();
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
