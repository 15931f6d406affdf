// JPEG through libjpeg(-turbo), from memory. Grey and colour images decode opaque; CMYK and
// other component layouts are refused.
//
// libjpeg reports errors through error_exit, which here longjmps back. As with PNG, each
// setjmp sits in a small function holding no object with a destructor.
#include <algorithm>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>
#include <jerror.h>  // the message codes

#include <csetjmp>

#include "image/image.h"
#include "image/refusal.h"

namespace {

// Progressive files may hold any number of scans, each forcing a pass over the whole
// coefficient buffer; beyond this a file is treated as hostile rather than decoded slowly.
constexpr int kMaxScans = 500;

struct ErrorManager {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

[[noreturn]] void fail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// libjpeg only warns when pixel data is missing or corrupt and then makes up the rest;
// that would be a partial image, so those warnings fail the decode. Others (for example
// stray bytes between markers) leave the pixels intact and are ignored.
void onMessage(j_common_ptr info, int level) {
  if (level >= 0) return;  // trace output
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
      fail(info);
    default:
      return;
  }
}

void onProgress(j_common_ptr info) {
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) fail(info);
}

struct Decoder {
  jpeg_decompress_struct info{};
  ErrorManager error{};
  jpeg_progress_mgr progress{};
  Decoder() {
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = fail;
    error.mgr.emit_message = onMessage;
    progress.progress_monitor = onProgress;
  }
  ~Decoder() { jpeg_destroy_decompress(&info); }  // safe on a zeroed or half-made struct
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
};

// A refusal for a reason of the file's header rather than its data.
struct HeaderRefusal {
  std::string reason;
};

bool start(Decoder* d, const uint8_t* data, size_t size, int maxSide, HeaderRefusal* refusal) {
  if (setjmp(d->error.jump)) return false;
  jpeg_create_decompress(&d->info);
  d->info.progress = &d->progress;  // set after create, which clears the struct
  jpeg_mem_src(&d->info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->info, TRUE);
  if (d->info.image_width > JDIMENSION(maxSide) || d->info.image_height > JDIMENSION(maxSide)) {
    refusal->reason = image_detail::tooLarge(maxSide);
    return false;
  }
  if (d->info.image_width == 0 || d->info.image_height == 0) return false;
  if (d->info.num_components == 1) {
    d->info.out_color_space = JCS_GRAYSCALE;
  } else if (d->info.num_components == 3 && d->info.jpeg_color_space != JCS_CMYK &&
             d->info.jpeg_color_space != JCS_YCCK) {
    d->info.out_color_space = JCS_RGB;
  } else {
    refusal->reason = d->info.num_components == 4
                          ? "CMYK JPEG is not supported"
                          : "JPEG with " + std::to_string(d->info.num_components) +
                                " colour components is not supported";
    return false;
  }
  jpeg_start_decompress(&d->info);
  return d->info.output_width == d->info.image_width &&
         d->info.output_height == d->info.image_height &&
         d->info.output_components == d->info.num_components;
}

// Decodes row by row into `row` and appends the converted pixels; `pixels` has room for all.
bool readRows(Decoder* d, uint8_t* row, std::vector<uint32_t>* pixels) {
  if (setjmp(d->error.jump)) return false;
  const JDIMENSION width = d->info.output_width;
  const bool gray = d->info.output_components == 1;
  while (d->info.output_scanline < d->info.output_height) {
    JSAMPROW rows[1] = {row};
    if (jpeg_read_scanlines(&d->info, rows, 1) != 1) return false;
    for (JDIMENSION x = 0; x < width; ++x) {
      const uint8_t* p = gray ? row + x : row + 3 * x;
      pixels->push_back(gray ? rgba(p[0], p[0], p[0]) : rgba(p[0], p[1], p[2]));
    }
  }
  jpeg_finish_decompress(&d->info);
  return true;
}

}  // namespace

std::optional<Image> decodeJpeg(std::span<const uint8_t> bytes, int maxSide, std::string* why) {
  using namespace image_detail;
  maxSide = std::clamp(maxSide, 0, kMaxImageSide);
  Decoder d;
  // libjpeg's last message tells a file that ends too soon from one that is damaged.
  auto failed = [&] {
    const int code = d.error.mgr.msg_code;
    return refuse(why, code == JWRN_JPEG_EOF || code == JERR_INPUT_EMPTY ? kCutShort : kDamaged);
  };
  HeaderRefusal refusal;
  if (!start(&d, bytes.data(), bytes.size(), maxSide, &refusal))
    return refusal.reason.empty() ? failed() : refuse(why, refusal.reason);
  const size_t w = d.info.output_width;
  const size_t h = d.info.output_height;
  std::vector<uint8_t> row(w * static_cast<size_t>(d.info.output_components));
  // Reserved, not filled, so a file that claims a big image but is cut short costs little.
  std::vector<uint32_t> pixels;
  pixels.reserve(w * h);
  if (!readRows(&d, row.data(), &pixels)) return failed();
  Image image;
  image.width = static_cast<int>(w);
  image.height = static_cast<int>(h);
  image.pixels = std::move(pixels);
  return image;
}
