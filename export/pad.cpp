#include "export/pad.h"

#include "model/uv_coverage.h"

namespace {

// Calls visit(neighbourIndex) for the eight neighbours of (x, y) inside the image: the four
// direct ones first, then the diagonals.
template <typename Visit>
inline void forNeighbours(int64_t x, int64_t y, int64_t w, int64_t h, Visit&& visit) {
  const int64_t i = y * w + x;
  const bool left = x > 0, right = x + 1 < w, up = y > 0, down = y + 1 < h;
  if (left) visit(i - 1);
  if (right) visit(i + 1);
  if (up) visit(i - w);
  if (down) visit(i + w);
  if (up && left) visit(i - w - 1);
  if (up && right) visit(i - w + 1);
  if (down && left) visit(i + w - 1);
  if (down && right) visit(i + w + 1);
}

bool holds(size_t size, int64_t w, int64_t h) {
  return w >= 1 && h >= 1 && size / static_cast<uint64_t>(w) >= static_cast<uint64_t>(h);
}

}  // namespace

std::vector<uint8_t> layoutCoverage(const Model& model, int64_t w, int64_t h) {
  if (w < 1 || h < 1) return {};
  std::vector<uint8_t> covered(static_cast<size_t>(w * h), 0);
  for (int64_t t = 0; t < model.triangleCount(); ++t) {
    forEachUvTile(model, t, w, h, [&](const TriangleCoverage& cover, int64_t, int64_t) {
      for (int64_t r = cover.top(); r <= cover.bottom(); ++r) {
        uint8_t* row = covered.data() + r * w;
        // Neighbouring triangles share most of their boxes; a pixel already covered needs no
        // second test.
        for (int64_t c = cover.left(); c <= cover.right(); ++c)
          if (!row[c] && cover.covers(c, r)) row[c] = 1;
      }
    });
  }
  return covered;
}

void padUncovered(std::span<uint32_t> pixels, std::span<uint8_t> covered, int64_t w, int64_t h,
                  Progress* progress) {
  if (!holds(pixels.size(), w, h) || covered.size() != pixels.size() ||
      pixels.size() != static_cast<uint64_t>(w * h))
    return;
  const size_t count = pixels.size();
  std::vector<uint8_t> queued(count, 0);
  // Ring pixels by column and row, so neighbours need no division by the width.
  struct Spot {
    int64_t x, y;
  };
  std::vector<Spot> frontier, next;
  std::vector<uint32_t> colours;
  for (int64_t y = 0; y < h; ++y)
    for (int64_t x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y * w + x);
      if (covered[i]) continue;
      bool touches = false;
      forNeighbours(x, y, w, h, [&](int64_t n) { touches |= covered[n] != 0; });
      if (touches) {
        frontier.push_back({x, y});
        queued[i] = 1;
      }
    }

  size_t reached = 0;  // pixels padded so far, for the progress
  while (!frontier.empty()) {
    reached += frontier.size();
    checkpoint(progress, ProgressStage::padding,
               static_cast<double>(reached) / static_cast<double>(count));
    colours.resize(frontier.size());
    for (size_t k = 0; k < frontier.size(); ++k) {
      uint32_t r = 0, g = 0, b = 0, n = 0;
      forNeighbours(frontier[k].x, frontier[k].y, w, h, [&](int64_t j) {
        if (!covered[j]) return;
        const uint32_t c = pixels[j];
        r += c & 0xFF;
        g += c >> 8 & 0xFF;
        b += c >> 16 & 0xFF;
        ++n;
      });
      colours[k] = n == 0 ? pixels[frontier[k].y * w + frontier[k].x]
                          : (r + n / 2) / n | ((g + n / 2) / n) << 8 | ((b + n / 2) / n) << 16;
    }
    for (size_t k = 0; k < frontier.size(); ++k) {
      const int64_t i = frontier[k].y * w + frontier[k].x;
      pixels[i] = colours[k];
      covered[i] = 1;
    }
    next.clear();
    auto join = [&](int64_t x, int64_t y) {
      const size_t j = static_cast<size_t>(y * w + x);
      if (covered[j] || queued[j]) return;
      queued[j] = 1;
      next.push_back({x, y});
    };
    for (const Spot& s : frontier) {  // the four direct neighbours, in forNeighbours' order
      if (s.x > 0) join(s.x - 1, s.y);
      if (s.x + 1 < w) join(s.x + 1, s.y);
      if (s.y > 0) join(s.x, s.y - 1);
      if (s.y + 1 < h) join(s.x, s.y + 1);
    }
    frontier.swap(next);
  }
}

std::vector<uint32_t> padTexture(const Model* model, std::span<const uint32_t> pixels, int64_t w,
                                 int64_t h, Progress* progress) {
  if (!model || !holds(pixels.size(), w, h))
    return std::vector<uint32_t>(pixels.begin(), pixels.end());
  std::vector<uint32_t> out(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(w * h));
  std::vector<uint8_t> covered = layoutCoverage(*model, w, h);
  checkpoint(progress, ProgressStage::padding, 0);
  padUncovered(out, covered, w, h, progress);
  return out;
}
