// Little- and big-endian numbers appended to a byte buffer, for building test files by hand.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void put16le(Bytes& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8 & 0xFF);
}
inline void put32le(Bytes& b, uint32_t v) {
  put16le(b, v & 0xFFFF);
  put16le(b, v >> 16);
}
inline void put32be(Bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(v >> s & 0xFF);
}
inline void putFloatLe(Bytes& b, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  put32le(b, bits);
}
