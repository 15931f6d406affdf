#include "image/image.h"

#include <algorithm>
#include <cstring>

#include "base/file_io.h"
#include "image/refusal.h"

using namespace image_detail;

Image::Image(int w, int h, uint32_t fill)
    : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}

void dropAlpha(std::span<uint32_t> pixels) {
  for (uint32_t& p : pixels) p &= 0x00FFFFFFu;
}

std::optional<Image> decodeImage(std::span<const uint8_t> bytes, int maxSide, std::string* why) {
  maxSide = std::min(maxSide, kMaxImageSide);
  if (bytes.empty()) return refuse(why, "the file is empty");
  static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  auto startsWith = [&](const uint8_t* sig, size_t n) {
    return bytes.size() >= n && std::memcmp(bytes.data(), sig, n) == 0;
  };
  static constexpr uint8_t kJpeg[3] = {0xFF, 0xD8, 0xFF};
  static constexpr uint8_t kBmp[2] = {'B', 'M'};
  if (startsWith(kPng, sizeof kPng)) return decodePng(bytes, maxSide, why);
  if (startsWith(kJpeg, sizeof kJpeg)) return decodeJpeg(bytes, maxSide, why);
  if (startsWith(kBmp, sizeof kBmp)) return decodeBmp(bytes, maxSide, why);
  // TGA has no signature at the start, so it is the fallback for everything else.
  return decodeTga(bytes, maxSide, why);
}

std::optional<Image> loadImage(const std::string& path, std::string* why) {
  std::vector<uint8_t> bytes;
  if (!readFileBytes(path, bytes)) return refuse(why, "the file cannot be read");
  return decodeImage(bytes, kMaxImageSide, why);
}
