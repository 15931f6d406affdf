// Shared by the image fuzzers: whatever decodes must survive our encoder and decode to the
// same pixels.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "image/image.h"

// The image with every pixel opaque, as an encoder without alpha writes it.
inline Image opaqueCopy(Image image) {
  for (uint32_t& c : image.pixels) c |= 0xFF000000u;
  return image;
}

// Aborts unless the image comes back from encode with alpha as it is, and from encode without
// alpha opaque. decode takes the bytes and the largest side it accepts.
template <typename Decode, typename Encode>
void checkRoundTrip(const Image& image, Decode decode, Encode encode) {
  if (decode(encode(image, true), kMaxImageSide) != image) std::abort();
  if (decode(encode(image, false), kMaxImageSide) != opaqueCopy(image)) std::abort();
}
