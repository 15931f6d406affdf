#include "export/tex.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/file_io.h"
#include "base/le_bytes.h"

namespace {

bool isPowerOf2(int64_t n) { return n > 0 && (n & (n - 1)) == 0; }

int64_t log2Of(int64_t n) {
  int64_t k = 0;
  while (n > 1) {
    n >>= 1;
    ++k;
  }
  return k;
}

// One halving step: every side of at least 2 is halved; a side of 1 reads its single row or
// column twice.
std::vector<uint32_t> halve(std::span<const uint32_t> src, int64_t w, int64_t h, int64_t& newW,
                            int64_t& newH) {
  newW = w >= 2 ? w / 2 : w;
  newH = h >= 2 ? h / 2 : h;
  const int64_t stepX = w >= 2 ? 1 : 0, stepY = h >= 2 ? 1 : 0;
  std::vector<uint32_t> out(static_cast<size_t>(newW * newH));
  for (int64_t y = 0; y < newH; ++y) {
    const uint32_t* row0 = src.data() + (y * (stepY + 1)) * w;
    const uint32_t* row1 = row0 + stepY * w;
    uint32_t* dst = out.data() + y * newW;
    for (int64_t x = 0; x < newW; ++x) {
      const int64_t x0 = x * (stepX + 1), x1 = x0 + stepX;
      const uint32_t a = row0[x0], b = row0[x1], c = row1[x0], d = row1[x1];
      uint32_t colour = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t sum = (a >> shift & 0xFF) + (b >> shift & 0xFF) + (c >> shift & 0xFF) +
                             (d >> shift & 0xFF);
        colour |= ((sum + 2) / 4) << shift;
      }
      dst[x] = colour;  // alpha 0
    }
  }
  return out;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

class TexFile {
 public:
  explicit TexFile(std::FILE* f) : f_(f) {}
  bool ok() const { return ok_; }
  void bytes(const void* data, size_t size) {
    if (ok_ && std::fwrite(data, 1, size, f_.get()) != size) ok_ = false;
  }
  void tag(const char (&text)[5]) { bytes(text, 4); }
  void u32(uint32_t v) {
    uint8_t b[4];
    setU32(b, v);
    bytes(b, 4);
  }
  void f32(float value) { u32(std::bit_cast<uint32_t>(value)); }
  bool close() {
    std::FILE* f = f_.release();
    return std::fclose(f) == 0 && ok_;
  }

 private:
  std::unique_ptr<std::FILE, FileCloser> f_;
  bool ok_ = true;
};

}  // namespace

TexWrite writeTex(std::span<const uint32_t> pixels, int64_t w, int64_t h, const std::string& path,
                  int64_t expectedW, int64_t expectedH, const std::string& shownPath) {
  TexWrite result;
  const std::string& named = shownPath.empty() ? path : shownPath;
  if (!isPowerOf2(w) || !isPowerOf2(h)) {
    result.message =
        "The texture size must be a power of 2 (" + std::to_string(w) + " x " + std::to_string(h) + ").";
    return result;
  }
  if (pixels.size() / static_cast<uint64_t>(w) < static_cast<uint64_t>(h)) {
    result.message = "The texture holds fewer pixels than its size (" + std::to_string(w) + " x " +
                     std::to_string(h) + ").";
    return result;
  }

  // Everything that needs memory is made before the file, so a shortage leaves no file.
  std::vector<uint32_t> scaledPixels;
  std::vector<uint8_t> row;
  std::span<const uint32_t> image = pixels.first(static_cast<size_t>(w * h));
  try {
    while (w > kMaxTexSide || h > kMaxTexSide) {
      int64_t newW, newH;
      scaledPixels = halve(image, w, h, newW, newH);
      image = scaledPixels;
      w = newW;
      h = newH;
      result.scaled = true;
    }
    row.resize(static_cast<size_t>(w) * 3);
  } catch (const std::bad_alloc&) {
    result.message = "Not enough memory to write " + named;
    return result;
  }

  int64_t shift = 0;
  while ((w << shift) < expectedW && shift < 20) ++shift;
  if ((w << shift) != expectedW || (h << shift) != expectedH) {
    result.message = "The texture (" + std::to_string(w) + " x " + std::to_string(h) +
                     " pixels) does not fit the size the model expects\n(" +
                     std::to_string(expectedW) + " x " + std::to_string(expectedH) +
                     " mex = TEXTURE_DIM x 1024). Width and height must have the same\n"
                     "ratio as the texture size of the layout.";
    return result;
  }

  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    result.message = "Cannot write " + named;
    return result;
  }
  TexFile file(f);
  file.tag("TVER");
  file.u32(4);
  file.tag("TDAT");
  file.u32(0);  // flags
  file.u32(static_cast<uint32_t>(w << shift));
  file.u32(static_cast<uint32_t>(h << shift));
  file.u32(static_cast<uint32_t>(1 + log2Of(w < h ? w : h)));  // mip-maps
  file.u32(static_cast<uint32_t>(shift));
  file.u32(1);  // frames
  file.tag("FRMS");
  for (int64_t y = 0; y < h && file.ok(); ++y) {
    const uint32_t* src = image.data() + y * w;
    uint8_t* p = row.data();
    for (int64_t x = 0; x < w; ++x) {
      const uint32_t c = src[x];
      *p++ = static_cast<uint8_t>(c);
      *p++ = static_cast<uint8_t>(c >> 8);
      *p++ = static_cast<uint8_t>(c >> 16);
    }
    file.bytes(row.data(), row.size());
  }
  file.tag("ANIM");
  file.tag("ADAT");
  file.u32(1);  // animations
  char name[32] = {};
  std::memcpy(name, "OnlyAnim", 8);
  file.bytes(name, sizeof name);
  file.f32(0.02f);  // seconds per frame
  file.u32(1);      // frames in the animation
  file.u32(0);      // its frame index
  if (!file.close()) {
    // A .tex without all its pixels would still load in the game, wrongly; remove it.
    removeRegularFile(path);
    result.message = "Cannot write " + named;
    return result;
  }
  result.ok = true;
  return result;
}
