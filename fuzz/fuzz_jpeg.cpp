// Decodes any input as JPEG. There is no JPEG encoder to round-trip through, so this checks
// the decoder's safety and that whatever it returns is whole and opaque.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/image_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why;
  const std::optional<Image> image = decodeJpeg({data, size}, kMaxImageSide, &why);
  checkRefusal(image, why);
  if (!image) return 0;
  if (image->empty() || image->width > kMaxImageSide || image->height > kMaxImageSide ||
      image->pixels.size() != size_t(image->width) * size_t(image->height))
    std::abort();
  for (uint32_t c : image->pixels)
    if (alphaOf(c) != 255) std::abort();
  return 0;
}
