// Decodes any input as TGA; whatever decodes must survive our encoder and decode to the same
// pixels, with and without alpha.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<Image> image = decodeTga({data, size});
  if (!image) return 0;
  if (decodeTga(encodeTga(*image, true)) != image) std::abort();
  Image opaque = *image;
  for (uint32_t& c : opaque.pixels) c |= 0xFF000000u;
  if (decodeTga(encodeTga(*image, false)) != opaque) std::abort();
  return 0;
}
