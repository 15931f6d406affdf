#include "paint/paint_state.h"

bool loadSourceImage(SourceImage& image, std::vector<uint8_t> bytes, const std::string& ext,
                     bool keepAlpha) {
  std::optional<Image> decoded = decodeImage(bytes);
  if (!decoded) return false;
  if (!keepAlpha) dropAlpha(decoded->pixels);
  image.pixels = std::move(*decoded);
  image.fileBytes = std::move(bytes);
  image.fileExt = ext;
  return true;
}
