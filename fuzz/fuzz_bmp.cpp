// Decodes any input as BMP; whatever decodes must survive our 24-bit encoder and decode to the
// same colours, opaque.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<Image> image = decodeBmp({data, size});
  if (!image) return 0;
  Image opaque = *image;
  for (uint32_t& c : opaque.pixels) c |= 0xFF000000u;
  if (decodeBmp(encodeBmp(*image)) != opaque) std::abort();
  return 0;
}
