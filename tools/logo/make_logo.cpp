// Draws the About box logo, resources/logo.png (256 x 256): a texture layout of coloured
// pieces, as the UV view shows it, with a quill writing over it. The same drawing makes the
// desktop icons at their sizes and as a scalable picture.
// Run: quillmap-logo OUTPUT.png [SIZE] or quillmap-logo OUTPUT.svg
#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/model.h"

namespace {

void setColour(cairo_t* cr, uint32_t packed, double alpha = 1.0) {
  cairo_set_source_rgba(cr, (packed & 0xFF) / 255.0, (packed >> 8 & 0xFF) / 255.0,
                        (packed >> 16 & 0xFF) / 255.0, alpha);
}

void roundedSquare(cairo_t* cr, double x, double y, double size, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + size - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + size - r, y + size - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + size - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

// One packed piece: a strip of triangles over a w x h grid of cells, outlined in its colour.
void piece(cairo_t* cr, double x, double y, int columns, int rows, double cell, uint32_t colour) {
  setColour(cr, colour, 0.22);
  cairo_rectangle(cr, x, y, columns * cell, rows * cell);
  cairo_fill(cr);
  setColour(cr, colour);
  cairo_set_line_width(cr, 1.6);
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      const double x0 = x + i * cell, y0 = y + j * cell;
      cairo_rectangle(cr, x0, y0, cell, cell);
      cairo_move_to(cr, x0, y0 + cell);
      cairo_line_to(cr, x0 + cell, y0);
    }
  cairo_stroke(cr);
}

void quill(cairo_t* cr) {
  // The feather lies along a gentle curve from the upper right down to the nib at the lower left.
  cairo_save(cr);
  cairo_translate(cr, 74, 206);
  cairo_rotate(cr, -0.83);

  // Vane: two curved edges around the shaft, from the nib end (x = 0) to the tip (x = 190).
  cairo_move_to(cr, 34, 0);
  cairo_curve_to(cr, 70, -30, 150, -38, 196, -6);
  cairo_curve_to(cr, 160, 8, 90, 20, 34, 0);
  cairo_close_path(cr);
  cairo_pattern_t* vane = cairo_pattern_create_linear(0, -30, 0, 20);
  cairo_pattern_add_color_stop_rgb(vane, 0, 1.0, 0.98, 0.92);
  cairo_pattern_add_color_stop_rgb(vane, 1, 0.80, 0.78, 0.72);
  cairo_set_source(cr, vane);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(vane);
  cairo_set_source_rgb(cr, 0.35, 0.33, 0.30);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);

  // Barbs: fine lines slanting back from the shaft.
  cairo_set_source_rgba(cr, 0.45, 0.42, 0.38, 0.7);
  cairo_set_line_width(cr, 0.9);
  for (int i = 0; i < 14; ++i) {
    const double t = 50 + i * 10.5;
    cairo_move_to(cr, t, -1);
    cairo_line_to(cr, t - 14, -20 + std::abs(t - 120) * 0.12);
    cairo_move_to(cr, t, 1);
    cairo_line_to(cr, t - 12, 11 - std::abs(t - 110) * 0.07);
  }
  cairo_stroke(cr);

  // Shaft and nib.
  cairo_set_source_rgb(cr, 0.30, 0.27, 0.24);
  cairo_set_line_width(cr, 2.4);
  cairo_move_to(cr, 6, 0);
  cairo_curve_to(cr, 70, -4, 140, -8, 196, -6);
  cairo_stroke(cr);
  cairo_move_to(cr, -8, 0);
  cairo_line_to(cr, 10, -4);
  cairo_line_to(cr, 10, 4);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.15, 0.14, 0.13);
  cairo_fill(cr);
  cairo_restore(cr);
}

// The whole logo on a 256 x 256 canvas.
void logo(cairo_t* cr) {
  roundedSquare(cr, 8, 8, 240, 36);
  cairo_pattern_t* background = cairo_pattern_create_linear(0, 8, 0, 248);
  cairo_pattern_add_color_stop_rgb(background, 0, 0.16, 0.18, 0.24);
  cairo_pattern_add_color_stop_rgb(background, 1, 0.07, 0.08, 0.11);
  cairo_set_source(cr, background);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(background);
  cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);  // the UV view's grey border
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);

  // Pieces packed into the texture, each in its Surface colour.
  cairo_save(cr);
  roundedSquare(cr, 8, 8, 240, 36);
  cairo_clip(cr);
  piece(cr, 30, 30, 4, 2, 22, surfaceColor(0));
  piece(cr, 130, 30, 4, 3, 22, surfaceColor(1));
  piece(cr, 30, 86, 2, 3, 22, surfaceColor(2));
  piece(cr, 86, 86, 2, 2, 22, surfaceColor(3));
  piece(cr, 30, 164, 3, 2, 22, surfaceColor(4));
  piece(cr, 142, 108, 3, 1, 22, surfaceColor(5));
  cairo_restore(cr);

  // The line the quill has just written, in the first Surface's colour.
  setColour(cr, surfaceColor(0));
  cairo_set_line_width(cr, 4);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, 220, 206);
  cairo_curve_to(cr, 170, 236, 130, 190, 70, 212);
  cairo_stroke(cr);

  quill(cr);
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int size = argc == 3 ? std::atoi(argv[2]) : 256;
  if (argc < 2 || argc > 3 || size < 16 || size > 1024) {
    std::fprintf(stderr, "Usage: quillmap-logo OUTPUT.png [SIZE]   (16 to 1024 px, default 256)\n"
                         "       quillmap-logo OUTPUT.svg          (scalable)\n");
    return 1;
  }
  const std::string output = argv[1];
  const bool svg = endsWith(output, ".svg");
  cairo_surface_t* surface =
      svg ? cairo_svg_surface_create(output.c_str(), size, size)
          : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  if (svg) cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
  cairo_t* cr = cairo_create(surface);
  // Drawn as vectors at every size, so the small icons are as sharp as their pixels allow.
  cairo_scale(cr, size / 256.0, size / 256.0);
  logo(cr);
  cairo_destroy(cr);
  cairo_status_t status;
  if (svg) {
    cairo_surface_finish(surface);  // writes the file
    status = cairo_surface_status(surface);
  } else {
    status = cairo_surface_write_to_png(surface, output.c_str());
  }
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "Cannot write %s\n", output.c_str());
    return 2;
  }
  return 0;
}
