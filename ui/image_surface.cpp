#include "ui/image_surface.h"

#include <cstddef>

void copyToSurface(const Image& picture, Cairo::RefPtr<Cairo::ImageSurface>& surface) {
  if (picture.empty()) return;
  if (!surface || surface->get_width() != picture.width || surface->get_height() != picture.height)
    surface = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, picture.width, picture.height);
  surface->flush();
  unsigned char* data = surface->get_data();
  const int stride = surface->get_stride();
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    const uint32_t* source = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t c = source[x];
      row[x] = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    }
  }
  surface->mark_dirty();
}
