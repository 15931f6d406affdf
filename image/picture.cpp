#include <new>

#include "base/file_io.h"
#include "image/image.h"

namespace {

bool save(const std::string& path, std::span<const uint32_t> pixels, int w, int h) {
  if (w <= 0 || h < 0) return false;
  const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
  if (pixels.size() < count) return false;
  Image image;
  image.width = w;
  image.height = h;
  image.pixels.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(count));

  const std::string ext = lowerExtension(path);
  if (ext == "tga") return writeTga(image, path, false);
  const std::vector<uint8_t> bytes = ext == "bmp" ? encodeBmp(image) : encodePng(image, false);
  return !bytes.empty() && writeWholeFile(path, bytes.data(), bytes.size()) == FileWrite::ok;
}

}  // namespace

bool savePicture(const std::string& path, std::span<const uint32_t> pixels, int w, int h) {
  try {
    return save(path, pixels, w, h);
  } catch (const std::bad_alloc&) {
    return false;
  }
}
