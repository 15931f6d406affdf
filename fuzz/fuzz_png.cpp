// Decodes any input as PNG; whatever decodes must survive our encoder and decode to the same
// pixels, with and without alpha.
#include <cstddef>
#include <cstdint>

#include "fuzz/image_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why;
  const std::optional<Image> image = decodePng({data, size}, kMaxImageSide, &why);
  checkRefusal(image, why);
  if (image) checkRoundTrip(*image, decodePng, encodePng);
  return 0;
}
