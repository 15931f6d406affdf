// Little-endian field access shared by the TGA and BMP codecs. Both formats are read and
// written byte by byte so the result does not depend on the host's byte order or padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace image_detail {

inline uint32_t get16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}
inline void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  put16(out, at, v & 0xFFFF);
  put16(out, at + 2, v >> 16);
}

// True when the image's pixel vector really holds width * height pixels; the encoders check
// it so a hand-assembled Image cannot make them read past the vector.
inline bool wellFormed(int width, int height, size_t pixelCount) {
  return width >= 0 && height >= 0 &&
         pixelCount == static_cast<size_t>(width) * static_cast<size_t>(height);
}

}  // namespace image_detail
