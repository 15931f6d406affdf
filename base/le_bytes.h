// Little-endian fields, read and written byte by byte so files come out the same on any host
// and no struct is ever dumped. Callers check that the bytes are there before reading.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

inline uint32_t getU16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t getU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline float getF32(const uint8_t* p) { return std::bit_cast<float>(getU32(p)); }

inline void setU16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void setU32(uint8_t* p, uint32_t v) {
  setU16(p, v & 0xFFFF);
  setU16(p + 2, v >> 16);
}

inline void appendU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void appendU32(std::vector<uint8_t>& out, uint32_t v) {
  appendU16(out, v & 0xFFFF);
  appendU16(out, v >> 16);
}
inline void appendF32(std::vector<uint8_t>& out, float f) { appendU32(out, std::bit_cast<uint32_t>(f)); }
