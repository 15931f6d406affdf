#include "render/text.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <memory>

namespace {

template <typename T, void (*Free)(T*)>
struct Freer {
  void operator()(T* p) const { Free(p); }
};
void unrefObject(void* p) { g_object_unref(p); }
using ContextPtr = std::unique_ptr<PangoContext, Freer<void, unrefObject>>;
using LayoutPtr = std::unique_ptr<PangoLayout, Freer<void, unrefObject>>;
using FontPtr = std::unique_ptr<PangoFontDescription, Freer<PangoFontDescription, pango_font_description_free>>;
using OptionsPtr = std::unique_ptr<cairo_font_options_t, Freer<cairo_font_options_t, cairo_font_options_destroy>>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, Freer<cairo_surface_t, cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, Freer<cairo_t, cairo_destroy>>;

}  // namespace

// fontconfig allocates its configuration and caches once per process and never frees them;
// sanitizer builds do not report those as leaks.
#if defined(__SANITIZE_ADDRESS__)
#define QM_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_ADDRESS_SANITIZER
#endif
#endif
#ifdef QM_ADDRESS_SANITIZER
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

TextMask renderText(const std::string& text, int pixelSize) {
  ContextPtr context(pango_font_map_create_context(pango_cairo_font_map_get_default()));
  OptionsPtr options(cairo_font_options_create());
  cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context.get(), options.get());

  FontPtr font(pango_font_description_new());
  pango_font_description_set_family(font.get(), "Liberation Sans");
  pango_font_description_set_absolute_size(font.get(), std::max(pixelSize, 1) * double(PANGO_SCALE));
  LayoutPtr layout(pango_layout_new(context.get()));
  pango_layout_set_font_description(layout.get(), font.get());
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));

  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
  TextMask mask;
  if (logical.width < 1 || logical.height < 1) return mask;
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, logical.width, logical.height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return mask;
  {
    CairoPtr cr(cairo_create(surface.get()));
    cairo_move_to(cr.get(), -logical.x, -logical.y);
    pango_cairo_show_layout(cr.get(), layout.get());
  }
  cairo_surface_flush(surface.get());
  mask.width = logical.width;
  mask.height = logical.height;
  mask.alpha.resize(static_cast<size_t>(mask.width) * mask.height);
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < mask.height; ++y)
    std::copy_n(data + static_cast<size_t>(y) * stride, mask.width,
                mask.alpha.begin() + static_cast<ptrdiff_t>(y) * mask.width);
  return mask;
}

void drawText(Image& image, const TextMask& mask, int x, int y, uint32_t colour) {
  const int x0 = std::max(x, 0), x1 = std::min<int64_t>(int64_t{x} + mask.width, image.width);
  const int y0 = std::max(y, 0), y1 = std::min<int64_t>(int64_t{y} + mask.height, image.height);
  for (int py = y0; py < y1; ++py)
    for (int px = x0; px < x1; ++px) {
      const int a = mask.alpha[static_cast<size_t>(py - y) * mask.width + (px - x)];
      if (a == 0) continue;
      uint32_t& d = image.at(px, py);
      auto mix = [a](int dst, int src) { return static_cast<uint32_t>(dst + (src - dst) * a / 255); };
      d = rgba(mix(redOf(d), redOf(colour)), mix(greenOf(d), greenOf(colour)),
               mix(blueOf(d), blueOf(colour)), alphaOf(d));
    }
}
