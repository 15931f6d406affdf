// A check shared by the image encoders and the scaler.
#pragma once

#include <cstddef>

namespace image_detail {

// True when the image's pixel vector really holds width * height pixels; the encoders check
// it so a hand-assembled Image cannot make them read past the vector.
inline bool wellFormed(int width, int height, size_t pixelCount) {
  return width >= 0 && height >= 0 &&
         pixelCount == static_cast<size_t>(width) * static_cast<size_t>(height);
}

}  // namespace image_detail
