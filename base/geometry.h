// Geometry shared by the unwrap, the export and the painting: 2D and 3D vectors in double
// precision, boxes around points, and the integer keys of the grids on which positions and
// UVs are compared (welding is equality of keys, never a distance search).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

struct Vec2 {
  double x = 0, y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(double s, Vec2 a) { return {s * a.x, s * a.y}; }
inline Vec2 operator/(Vec2 a, double s) { return {a.x / s, a.y / s}; }

// Signed doubled area of a, b, c: positive when they turn counter-clockwise (y up).
inline double orient2d(Vec2 a, Vec2 b, Vec2 c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

struct Vec3 {
  double x = 0, y = 0, z = 0;
  bool operator==(const Vec3&) const = default;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }

// The smallest boxes around the points added; empty (low above high) until the first one. A
// NaN coordinate leaves its side of the box as it was.
struct Bounds2 {
  Vec2 low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
  Vec2 high{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};

  void add(Vec2 p) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y)};
  }
  double width() const { return high.x - low.x; }
  double height() const { return high.y - low.y; }
};

struct Bounds3 {
  Vec3 low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
           std::numeric_limits<double>::infinity()};
  Vec3 high{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity()};

  void add(Vec3 p) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  Vec3 centre() const { return {(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2}; }
  double diagonal() const { return length(high - low); }
};

// The integer nearest to q, halves away from zero (std::llround, never banker's rounding). NaN
// gives 0 and values beyond ±4e18 are held there, so that any file gives a defined key.
inline int64_t gridCoordinate(double q) {
  if (!(q == q)) return 0;
  constexpr double kLimit = 4.0e18;
  return std::llround(std::clamp(q, -kLimit, kLimit));
}

// The grids of positionKey (welding) and uvKey (the one-UV-per-position rule of the Surfaces).
inline constexpr double kPositionGrid = 0.0001;
inline constexpr double kUvGrid = 0.00001;

using GridKey3 = std::array<int64_t, 3>;

inline int64_t positionKeyCoordinate(float c) { return gridCoordinate(static_cast<double>(c) / kPositionGrid); }
inline int64_t uvKeyCoordinate(float c) { return gridCoordinate(static_cast<double>(c) / kUvGrid); }
inline GridKey3 positionKey(float x, float y, float z) {
  return {positionKeyCoordinate(x), positionKeyCoordinate(y), positionKeyCoordinate(z)};
}

// A layout UV on a grid of a millionth: corners whose UVs fall into one cell share a vertex.
inline int64_t nearestMillionth(double q) { return gridCoordinate(q * 1000000.0); }

// Mixes one more value into a running hash.
inline uint64_t hashMix(uint64_t h, uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h * 0xBF58476D1CE4E5B9ull;
}

// Hash of grid keys and of arrays of them, for unordered maps keyed by them.
struct KeyHash {
  template <typename T, size_t N>
  size_t operator()(const std::array<T, N>& key) const {
    const uint64_t h = mixIn(0, key);
    return static_cast<size_t>(h ^ h >> 29);
  }

 private:
  static uint64_t mixIn(uint64_t h, int64_t v) { return hashMix(h, static_cast<uint64_t>(v)); }
  template <typename T, size_t N>
  static uint64_t mixIn(uint64_t h, const std::array<T, N>& key) {
    for (const T& part : key) h = mixIn(h, part);
    return h;
  }
};
