#include "paint/paint_state.h"

#include <new>

#include "base/file_io.h"
#include "base/text_fields.h"

bool loadSourceImage(SourceImage& image, std::vector<uint8_t> bytes, const std::string& ext,
                     bool keepAlpha, std::string* why) {
  try {
    std::optional<Image> decoded = decodeImage(bytes, kMaxImageSide, why);
    if (!decoded) return false;
    if (!keepAlpha) dropAlpha(decoded->pixels);
    image.pixels = std::move(*decoded);
  } catch (const std::bad_alloc&) {
    if (why) *why = "not enough memory";
    return false;
  }
  image.fileBytes = std::move(bytes);
  image.fileExt = ext;
  return true;
}

bool loadSourceFile(SourceImage& image, const std::string& path, bool keepAlpha,
                    std::string* why) {
  std::vector<uint8_t> bytes;
  try {
    if (!readFileBytes(path, bytes)) {
      if (why) *why = "the file cannot be read";
      return false;
    }
  } catch (const std::bad_alloc&) {
    if (why) *why = "not enough memory";
    return false;
  }
  return loadSourceImage(image, std::move(bytes), lowerExtension(path), keepAlpha, why);
}
