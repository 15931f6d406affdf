// Shared by the image fuzzers: whatever decodes must survive our encoder and decode to the
// same pixels.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "image/image.h"

// The image with every pixel opaque, as an encoder without alpha writes it.
inline Image opaqueCopy(Image image) {
  for (uint32_t& c : image.pixels) c |= 0xFF000000u;
  return image;
}

// Every refusal says why: aborts when a decoder refused without a reason.
inline void checkRefusal(const std::optional<Image>& image, const std::string& why) {
  if (!image && why.empty()) std::abort();
}

// Aborts unless the image comes back from encode with alpha as it is, and from encode without
// alpha opaque. decode takes the bytes and the largest side it accepts.
template <typename Decode, typename Encode>
void checkRoundTrip(const Image& image, Decode decode, Encode encode) {
  if (decode(encode(image, true), kMaxImageSide, nullptr) != image) std::abort();
  if (decode(encode(image, false), kMaxImageSide, nullptr) != opaqueCopy(image)) std::abort();
}
