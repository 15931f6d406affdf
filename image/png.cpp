// PNG through libpng's classic interface, reading from and writing to memory.
//
// libpng reports errors by longjmp. Every call that may fail runs inside one of the small
// functions below that does the setjmp itself and holds no object with a destructor, so the
// jump never skips one; buffers and the libpng structs belong to the calling function.
#include <algorithm>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>

#include "image/image.h"
#include "base/le_bytes.h"
#include "image/refusal.h"
#include "image/well_formed.h"

namespace {

struct Source {
  const uint8_t* data;
  size_t size;
  size_t pos;
  bool cutShort = false;  // the file ended before libpng was done with it
};

[[noreturn]] void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}  // quiet: warnings never change the result

void readSource(png_structp png, png_bytep out, size_t n) {
  auto* src = static_cast<Source*>(png_get_io_ptr(png));
  if (n > src->size - src->pos) {
    src->cutShort = true;
    png_error(png, "truncated");
  }
  std::memcpy(out, src->data + src->pos, n);
  src->pos += n;
}

// Reads the header and sets up the conversion of every colour type and depth to 8-bit RGBA.
// A side beyond maxSide sets tooLarge.
bool readHeader(png_structp png, png_infop info, Source* src, png_uint_32* w, png_uint_32* h,
                int maxSide, bool* tooLarge) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, src, readSource);
  // libpng's own limit would refuse big sides with a message of its own; ours comes first.
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(png, info);
  *w = png_get_image_width(png, info);
  *h = png_get_image_height(png, info);
  if (*w > png_uint_32(maxSide) || *h > png_uint_32(maxSide)) {
    *tooLarge = true;
    return false;
  }
  if (*w == 0 || *h == 0) return false;
  const int type = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_scale_16(png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  // Adds opaque alpha only where there is none, including none from tRNS.
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return png_get_rowbytes(png, info) == size_t(*w) * 4;
}

// Reads all rows, then the rest of the file up to IEND, so a cut-off file is refused even when
// only its last chunks are missing.
bool readRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

// Reads a plain (not interlaced) image row by row through `row`, appending the pixels to
// `pixels`, which has room for all of them; then the rest of the file up to IEND.
bool readRowByRow(png_structp png, png_bytep row, png_uint_32 w, png_uint_32 h,
                  std::vector<uint32_t>* pixels) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (png_uint_32 y = 0; y < h; ++y) {
    png_read_row(png, row, nullptr);
    for (png_uint_32 x = 0; x < w; ++x) {
      const png_bytep p = row + 4 * size_t(x);
      pixels->push_back(rgba(p[0], p[1], p[2], p[3]));
    }
  }
  png_read_end(png, nullptr);
  return true;
}

void writeSink(png_structp png, png_bytep data, size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  bool ok = true;
  try {
    out->insert(out->end(), data, data + n);
  } catch (...) {
    ok = false;
  }
  // Raised outside the handler: longjmp must not leave a catch block.
  if (!ok) png_error(png, "out of memory");
}
void flushSink(png_structp) {}

bool writeAll(png_structp png, png_infop info, std::vector<uint8_t>* out, png_uint_32 w,
              png_uint_32 h, bool alpha, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, writeSink, flushSink);
  png_set_IHDR(png, info, w, h, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::optional<Image> decodePng(std::span<const uint8_t> bytes, int maxSide, std::string* why) {
  using namespace image_detail;
  maxSide = std::clamp(maxSide, 0, kMaxImageSide);
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0)
    return refuse(why, bytes.size() < 8 ? kCutShort : "not a PNG image");
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return refuse(why, "not enough memory");
  png_infop info = png_create_info_struct(png);
  struct Destroy {
    png_structp* png;
    png_infop* info;
    ~Destroy() { png_destroy_read_struct(png, info, nullptr); }
  } destroy{&png, &info};
  if (!info) return refuse(why, "not enough memory");

  Source src{bytes.data(), bytes.size(), 0};
  auto failed = [&] { return refuse(why, src.cutShort ? kCutShort : kDamaged); };
  png_uint_32 w = 0, h = 0;
  bool large = false;
  if (!readHeader(png, info, &src, &w, &h, maxSide, &large))
    return large ? refuse(why, tooLarge(maxSide)) : failed();

  const size_t stride = size_t(w) * 4;
  if (png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
    // Straight into the image: reserved, not filled, so a file that claims a big image but
    // is cut short costs no more than the rows actually decoded.
    std::vector<uint8_t> row(stride);
    std::vector<uint32_t> pixels;
    pixels.reserve(size_t(w) * h);
    if (!readRowByRow(png, row.data(), w, h, &pixels)) return failed();
    Image image;
    image.width = static_cast<int>(w);
    image.height = static_cast<int>(h);
    image.pixels = std::move(pixels);
    return image;
  }
  // Interlaced passes need the whole image at once. Left uninitialised, as above.
  auto buffer = std::make_unique_for_overwrite<uint8_t[]>(stride * h);
  std::vector<png_bytep> rows(h);
  for (size_t y = 0; y < h; ++y) rows[y] = buffer.get() + y * stride;
  if (!readRows(png, rows.data())) return failed();

  Image image(static_cast<int>(w), static_cast<int>(h));
  const uint8_t* p = buffer.get();
  for (uint32_t& c : image.pixels) {
    c = rgba(p[0], p[1], p[2], p[3]);
    p += 4;
  }
  return image;
}

std::vector<uint8_t> encodePng(const Image& image, bool withAlpha) {
  if (!image_detail::wellFormed(image.width, image.height, image.pixels.size()) || image.empty())
    return {};
  const size_t w = static_cast<size_t>(image.width);
  const size_t h = static_cast<size_t>(image.height);
  const size_t channels = withAlpha ? 4 : 3;
  std::vector<uint8_t> bytes(w * h * channels);
  uint8_t* p = bytes.data();
  for (uint32_t c : image.pixels) {
    *p++ = static_cast<uint8_t>(redOf(c));
    *p++ = static_cast<uint8_t>(greenOf(c));
    *p++ = static_cast<uint8_t>(blueOf(c));
    if (withAlpha) *p++ = static_cast<uint8_t>(alphaOf(c));
  }
  std::vector<png_bytep> rows(h);
  for (size_t y = 0; y < h; ++y) rows[y] = bytes.data() + y * w * channels;

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  struct Destroy {
    png_structp* png;
    png_infop* info;
    ~Destroy() { png_destroy_write_struct(png, info); }
  } destroy{&png, &info};
  if (!info) return {};

  std::vector<uint8_t> out;
  if (!writeAll(png, info, &out, png_uint_32(w), png_uint_32(h), withAlpha, rows.data())) return {};
  return out;
}
