// Decodes any input as BMP; whatever decodes must survive our 24-bit encoder and decode to the
// same colours, opaque.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/image_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why;
  const std::optional<Image> image = decodeBmp({data, size}, kMaxImageSide, &why);
  checkRefusal(image, why);
  if (!image) return 0;
  if (decodeBmp(encodeBmp(*image)) != opaqueCopy(*image)) std::abort();
  return 0;
}
