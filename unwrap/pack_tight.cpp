#include "unwrap/pack_tight.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

#include "base/second_thread.h"
#include "unwrap/raster_cells.h"

namespace {

// A piece turned by an angle, the corner of its box moved to the origin.
struct Pose {
  double cos = 1, sin = 0, lowX = 0, lowY = 0, width = 0, height = 0;
  Vec2 place(Vec2 q) const { return {cos * q.x - sin * q.y - lowX, sin * q.x + cos * q.y - lowY}; }
};

Pose poseAt(const Pieces& pieces, const PieceLayout& layout, int piece, double cos, double sin) {
  Pose pose{cos, sin};
  Bounds2 bounds;
  for (int32_t i = pieces.firstTriangle[piece]; i < pieces.firstTriangle[piece + 1]; ++i)
    for (int c = 0; c < 3; ++c) bounds.add(pose.place(layout.corner[3 * pieces.triangles[i] + c]));
  if (bounds.low.x > bounds.high.x) return pose;  // a piece without triangles
  pose.lowX = bounds.low.x;
  pose.lowY = bounds.low.y;
  pose.width = bounds.width();
  pose.height = bounds.height();
  return pose;
}

// The largest scale at which the posed piece alone fits the texture inside the margin, turned
// by a quarter turn or not.
double aloneFit(const Pose& pose, int W, int H, int margin) {
  const double w = W - margin + 0.0, h = H - margin + 0.0;
  return std::max(std::min(w / pose.width, h / pose.height), std::min(w / pose.height, h / pose.width));
}

// Where the tight search is, for its checkpoints.
struct Watch {
  Progress* progress = nullptr;  // null: nobody watches
  double fraction = 0;           // of the packing stage
  void checkpoint() const { ::checkpoint(progress, ProgressStage::packing, fraction); }
};

// The angle within a quarter turn at which the piece alone fits the largest scale, in steps
// of `steps` to the quarter turn: searched in whole steps, then in tenths around the best one
// (the best fit often lies at a sharp corner of the fit against the angle, where the piece
// touches both sides of the texture).
double bestAloneStep(const Pieces& pieces, const PieceLayout& layout, int piece, int W, int H,
                     int margin, int steps, const Watch& watch, SecondThread& second) {
  double bestFit = 0, bestStep = 0;
  // Every angle takes a pass over the piece's corners: the angles are measured on both threads,
  // a batch between stop checks, then taken in order as one thread would take them.
  auto tryAll = [&](const std::vector<double>& candidates) {
    constexpr size_t kBatch = 32;
    std::vector<double> fit(candidates.size());
    for (size_t from = 0; from < candidates.size(); from += kBatch) {
      watch.checkpoint();
      const size_t to = std::min(from + kBatch, candidates.size());
      auto measure = [&](int part) {
        for (size_t i = from + static_cast<size_t>(part); i < to; i += 2) {
          const double angle = candidates[i] * std::numbers::pi / 2 / steps;
          fit[i] = aloneFit(poseAt(pieces, layout, piece, std::cos(angle), std::sin(angle)), W, H,
                            margin);
        }
      };
      second.run(measure);
    }
    for (size_t i = 0; i < candidates.size(); ++i)
      if (fit[i] > bestFit * (1 + 1e-9)) {
        bestFit = fit[i];
        bestStep = candidates[i];
      }
  };
  std::vector<double> whole;
  for (int step = 0; step < steps; ++step) whole.push_back(step);
  tryAll(whole);
  std::vector<double> tenths;
  for (int tenth = -9; tenth <= 9; ++tenth)
    if (tenth != 0) tenths.push_back(bestStep + tenth / 10.0);
  tryAll(tenths);
  return bestStep;
}

// The angles a piece is tried at within a quarter turn, each with its four quarter turns:
// every 30 degrees (every 15 for a piece that spans more than a quarter of the texture at the
// floor when `fine`), and for a piece big enough to bound the scale itself (more than half the
// texture) the angle at which it alone fits the largest scale: long strips often fit only at a
// slant, a cylinder's side along the diagonal. aloneStep keeps that angle for the next call.
std::vector<Pose> posesOf(const Pieces& pieces, const PieceLayout& layout, int piece, int W,
                          int H, int margin, double floor, bool fine, const Watch& watch,
                          SecondThread& second, std::optional<double>& aloneStep) {
  const Pose upright = poseAt(pieces, layout, piece, 1, 0);
  if (!pieces.tightTurns) return {upright};
  constexpr int kSteps = 180;
  const double fit = aloneFit(upright, W, H, margin);
  const int grid = fine && fit < 4 * floor ? kSteps / 6 : kSteps / 3;
  std::vector<double> steps;
  for (int step = 0; step < kSteps; step += grid) steps.push_back(step);
  if (fit < 2 * floor) {
    if (!aloneStep)
      aloneStep = bestAloneStep(pieces, layout, piece, W, H, margin, kSteps, watch, second);
    if (std::fmod(*aloneStep, grid) != 0) steps.push_back(*aloneStep);
  }
  std::vector<Pose> poses;
  for (int quarter = 0; quarter < 4; ++quarter)
    for (double step : steps) {
      const double angle = (quarter + step / kSteps) * std::numbers::pi / 2;
      constexpr double kCos[] = {1, 0, -1, 0}, kSin[] = {0, 1, 0, -1};
      // Quarter turns exactly, so a piece that is only turned keeps its corners' digits.
      poses.push_back(step == 0 ? poseAt(pieces, layout, piece, kCos[quarter], kSin[quarter])
                                : poseAt(pieces, layout, piece, std::cos(angle), std::sin(angle)));
    }
  return poses;
}

// One piece at one scale and pose: per row of its raster, the runs of cells it touches (core)
// and the runs no other piece may touch (the core grown by the margin). The box corner lies
// at cell (grow, grow); row j is texture row y + j when placed at y.
struct Mask {
  struct Run {
    int first, last;
  };
  int rows = 0;
  std::vector<int32_t> coreStart, grownStart;  // runs of row j: [start[j], start[j + 1])
  std::vector<Run> core, grown;
  int coreLeft = 0, coreRight = -1, coreBottom = 0, coreTop = -1;
  std::vector<int> widest;  // per row: the widest core run, which needs as wide a free run
};

// The cells the piece's triangles touch: a cell within the triangle's box is touched when no
// edge of the triangle has the whole cell outside (the separating axis test of a square and a
// triangle). Cells the triangle only nearly touches count too, so rounding never leaves a
// touched one out; any cell more is space lost, which the standard packers' rougher test of
// the centre against the edges loses on every straight side.
std::vector<uint8_t> coverCells(const Pieces& pieces, const PieceLayout& layout, int piece,
                                const Pose& pose, int pad, double scale, double cell, int cols,
                                int rows) {
  std::vector<uint8_t> cells(static_cast<size_t>(cols) * rows, 0);
  auto clampCell = [](double v, int n) { return std::clamp(truncToInt(v), 0, n - 1); };
  // Doubled area of the centre against edge a-b at which a corner of its cell reaches the
  // edge: half the cell's extent across the edge, times the edge length, and a little slack.
  auto reach = [](Vec2 a, Vec2 b) {
    const double dx = std::fabs(b.x - a.x), dy = std::fabs(b.y - a.y);
    return 0.5 * (dx + dy) + 1e-9 * (dx + dy) + 1e-12;
  };
  for (int32_t i = pieces.firstTriangle[piece]; i < pieces.firstTriangle[piece + 1]; ++i) {
    Vec2 c[3];
    for (int k = 0; k < 3; ++k) {
      const Vec2 q = pose.place(layout.corner[3 * pieces.triangles[i] + k]);
      c[k] = {pad + q.x * scale / cell, pad + q.y * scale / cell};
    }
    const double s = orient2d(c[0], c[1], c[2]) < 0 ? -1 : 1;
    const double r0 = reach(c[1], c[2]), r1 = reach(c[2], c[0]), r2 = reach(c[0], c[1]);
    const int i0 = clampCell(std::min({c[0].x, c[1].x, c[2].x}), cols);
    const int i1 = clampCell(std::max({c[0].x, c[1].x, c[2].x}), cols);
    const int j0 = clampCell(std::min({c[0].y, c[1].y, c[2].y}), rows);
    const int j1 = clampCell(std::max({c[0].y, c[1].y, c[2].y}), rows);
    for (int row = j0; row <= j1; ++row) {
      uint8_t* line = &cells[static_cast<size_t>(row) * cols];
      for (int col = i0; col <= i1; ++col) {
        if (line[col]) continue;
        const Vec2 centre{col + 0.5, row + 0.5};
        if (s * orient2d(c[1], c[2], centre) >= -r0 && s * orient2d(c[2], c[0], centre) >= -r1 &&
            s * orient2d(c[0], c[1], centre) >= -r2)
          line[col] = 1;
      }
    }
  }
  return cells;
}

// Every cell within `grow` cells (a square) of a set cell, first along the rows, then along
// the columns.
std::vector<uint8_t> grownCells(const std::vector<uint8_t>& core, int cols, int rows, int grow) {
  std::vector<uint8_t> wide(core.size(), 0), grown(core.size(), 0);
  // One line of cells `step` apart from `first`: out is set within grow of a set cell of in.
  auto spread = [&](const std::vector<uint8_t>& in, std::vector<uint8_t>& out, size_t first,
                    size_t step, int n) {
    int last = -(1 << 29);
    for (int i = 0; i < n; ++i) {
      if (in[first + i * step]) last = i;
      if (i - last <= grow) out[first + i * step] = 1;
    }
    last = 1 << 29;
    for (int i = n - 1; i >= 0; --i) {
      if (in[first + i * step]) last = i;
      if (last - i <= grow) out[first + i * step] = 1;
    }
  };
  for (int row = 0; row < rows; ++row) spread(core, wide, static_cast<size_t>(row) * cols, 1, cols);
  for (int col = 0; col < cols; ++col) spread(wide, grown, col, cols, rows);
  return grown;
}

// The runs of set cells per row; `bounds` (when given) gets the box around them.
void runsOf(const std::vector<uint8_t>& cells, int cols, int rows, std::vector<int32_t>& start,
            std::vector<Mask::Run>& runs, Mask* bounds) {
  start.assign(rows + 1, 0);
  for (int row = 0; row < rows; ++row) {
    start[row] = static_cast<int32_t>(runs.size());
    const uint8_t* line = &cells[static_cast<size_t>(row) * cols];
    for (int col = 0; col < cols;) {
      if (!line[col]) {
        ++col;
        continue;
      }
      const int first = col;
      while (col < cols && line[col]) ++col;
      runs.push_back({first, col - 1});
      if (!bounds) continue;
      bounds->coreLeft = std::min(bounds->coreLeft, first);
      bounds->coreRight = std::max(bounds->coreRight, col - 1);
      bounds->coreBottom = std::min(bounds->coreBottom, row);
      bounds->coreTop = std::max(bounds->coreTop, row);
      bounds->widest[row] = std::max(bounds->widest[row], col - first);
    }
  }
  start[rows] = static_cast<int32_t>(runs.size());
}

// A piece that touches no cell gets the core bounds of its corner cell.
Mask maskOf(const Pieces& pieces, const PieceLayout& layout, int piece, const Pose& pose,
            int grow, double scale, double cell) {
  const int cols = truncToInt(scale * pose.width / cell) + 2 * grow + 2;
  const int rows = truncToInt(scale * pose.height / cell) + 2 * grow + 2;
  const std::vector<uint8_t> core = coverCells(pieces, layout, piece, pose, grow, scale, cell, cols, rows);
  Mask m;
  m.rows = rows;
  m.coreLeft = cols;
  m.coreBottom = rows;
  m.widest.assign(rows, 0);
  runsOf(core, cols, rows, m.coreStart, m.core, &m);
  runsOf(grownCells(core, cols, rows, grow), cols, rows, m.grownStart, m.grown, nullptr);
  if (m.coreRight < 0) m.coreLeft = m.coreRight = m.coreBottom = m.coreTop = grow;
  return m;
}

// The texture's cells, one bit each: set where a placed piece touches. Per row the widest
// free run lets whole rows be passed over when a piece cannot fit in them.
class FreeSpace {
 public:
  FreeSpace(int cols, int rows)
      : cols_(cols), rows_(rows), words_((cols + 63) / 64), bits_(static_cast<size_t>(words_) * rows, 0),
        widestFree_(rows, cols) {}

  int cols() const { return cols_; }
  int rows() const { return rows_; }

  // The highest set cell in [first, last] of the row, or -1.
  int lastTaken(int row, int first, int last) const {
    const uint64_t* line = &bits_[static_cast<size_t>(row) * words_];
    for (int w = last >> 6; w >= first >> 6; --w) {
      uint64_t word = line[w];
      if (w == last >> 6 && (last & 63) != 63) word &= (uint64_t{2} << (last & 63)) - 1;
      if (w == first >> 6) word &= ~uint64_t{0} << (first & 63);
      if (word) return w * 64 + 63 - std::countl_zero(word);
    }
    return -1;
  }

  void take(int row, int first, int last) {
    uint64_t* line = &bits_[static_cast<size_t>(row) * words_];
    for (int col = first; col <= last; ++col) line[col >> 6] |= uint64_t{1} << (col & 63);
    int widest = 0, run = 0;
    for (int col = 0; col < cols_; ++col) {
      run = line[col >> 6] >> (col & 63) & 1 ? 0 : run + 1;
      widest = std::max(widest, run);
    }
    widestFree_[row] = widest;
  }

  int widestFree(int row) const { return widestFree_[row]; }

 private:
  int cols_, rows_, words_;
  std::vector<uint64_t> bits_;
  std::vector<int> widestFree_;
};

// The first x at or after `x` from which the mask's grown runs, placed at (x, y), meet no
// taken cell when `x` itself is not one: the next x worth trying.
int nextFreeX(const FreeSpace& space, const Mask& m, int x, int y) {
  for (int j = 0; j < m.rows; ++j) {
    const int row = y + j;
    if (row < 0 || row >= space.rows()) continue;
    for (int32_t k = m.grownStart[j]; k < m.grownStart[j + 1]; ++k) {
      const int first = std::max(0, x + m.grown[k].first);
      const int last = std::min(space.cols() - 1, x + m.grown[k].last);
      if (first > last) continue;
      const int taken = space.lastTaken(row, first, last);
      if (taken >= 0) return taken - m.grown[k].first + 1;
    }
  }
  return x;
}

// Whether every row the core would cover at y has a free run as wide as the core's there.
bool roomInRows(const FreeSpace& space, const Mask& m, int y) {
  for (int j = m.coreBottom; j <= m.coreTop; ++j)
    if (space.widestFree(y + j) < m.widest[j]) return false;
  return true;
}

struct Place {
  int x = 0, y = 0, top = 1 << 30;
};

// The free place where the mask's top is lowest, then lowest, then leftmost, with its core
// `edge` cells inside the border; only places whose top is below place.top count. True when
// it found one (and changed place).
bool lowestPlace(const FreeSpace& space, const Mask& m, int edge, Place& place) {
  const int xLow = edge - m.coreLeft, xHigh = space.cols() - 1 - edge - m.coreRight;
  const int yLow = edge - m.coreBottom, yHigh = space.rows() - 1 - edge - m.coreTop;
  for (int y = yLow; y <= yHigh && y + m.coreTop < place.top; ++y) {
    if (!roomInRows(space, m, y)) continue;
    for (int x = xLow; x <= xHigh;) {
      const int next = nextFreeX(space, m, x, y);
      if (next == x) {
        place = {x, y, y + m.coreTop};
        return true;
      }
      x = next;
    }
  }
  return false;
}

// Pieces of at least this many triangles have their masks made on two threads.
constexpr int32_t kSplitTriangles = 2048;

class TightPacker {
 public:
  TightPacker(const PieceLayout& layout, const Pieces& pieces, int W, int H, int margin,
              double floor, bool fine, std::vector<std::optional<double>>& aloneSteps,
              Progress* progress, double fraction)
      : layout_(layout), pieces_(pieces), W_(W), H_(H), margin_(margin),
        cell_(std::max(std::max(W, H) / 1024.0, 1.0)), poses_(pieces.boxes.size()),
        pose_(pieces.boxes.size(), 0), x_(pieces.boxes.size(), 0), y_(pieces.boxes.size(), 0),
        watch_{progress, fraction} {
    for (size_t p = 0; p < poses_.size(); ++p) {
      watch_.checkpoint();
      poses_[p] = posesOf(pieces, layout, static_cast<int>(p), W, H, margin, floor, fine, watch_,
                          second_, aloneSteps[p]);
    }
  }

  // Where the search is, as the packing stage's fraction done, for the checkpoints.
  void reportAt(double fraction) { watch_.fraction = fraction; }

  // Places the pieces in `order`, each where its top is lowest over all its poses; false when
  // one does not fit at this scale.
  bool pack(const std::vector<int32_t>& order, double scale);

  // Moves the pieces to the places of the last successful pack.
  int64_t apply(PieceLayout& layout, Pieces& pieces) const;

 private:
  // The piece's mask at the pose and scale, made on first use; prepareMasks makes room for the
  // piece's masks at that scale.
  const Mask& mask(int piece, int pose, int grow, double scale);
  void prepareMasks(int piece, double scale);

  const PieceLayout& layout_;
  const Pieces& pieces_;
  int W_, H_, margin_;
  double cell_;
  std::vector<std::vector<Pose>> poses_;
  double maskScale_ = -1;  // the masks are made once per scale for all orders
  std::vector<std::vector<Mask>> masks_;
  std::vector<std::vector<uint8_t>> made_;
  std::vector<int> pose_;
  std::vector<double> x_, y_;
  Watch watch_;
  SecondThread second_;
};

void TightPacker::prepareMasks(int piece, double scale) {
  if (scale != maskScale_) {
    maskScale_ = scale;
    masks_.assign(poses_.size(), {});
    made_.assign(poses_.size(), {});
  }
  if (masks_[piece].empty()) {
    masks_[piece].resize(poses_[piece].size());
    made_[piece].assign(poses_[piece].size(), 0);
  }
}

const Mask& TightPacker::mask(int piece, int pose, int grow, double scale) {
  prepareMasks(piece, scale);
  if (!made_[piece][pose]) {
    masks_[piece][pose] = maskOf(pieces_, layout_, piece, poses_[piece][pose], grow, scale, cell_);
    made_[piece][pose] = 1;
  }
  return masks_[piece][pose];
}

bool TightPacker::pack(const std::vector<int32_t>& order, double scale) {
  FreeSpace space(truncToInt(W_ / cell_), truncToInt(H_ / cell_));
  if (space.cols() < 1 || space.rows() < 1) return false;
  // Touched cells of two pieces grow + 1 cells apart leave at least grow whole cells between.
  const int grow = truncToInt(margin_ / cell_ + 0.999);
  const int edge = truncToInt(margin_ / 2.0 / cell_ + 0.999);
  // More cells than the texture has inside its border: decided before rasterising, which
  // keeps huge trial scales cheap.
  auto fitsInside = [&](const Pose& pose) {
    return scale * pose.width / cell_ <= space.cols() - 2 * edge &&
           scale * pose.height / cell_ <= space.rows() - 2 * edge;
  };
  for (int32_t piece : order) {
    const int poseCount = static_cast<int>(poses_[piece].size());
    // A big piece's masks take milliseconds each: made on both threads first (each mask is
    // the same whichever thread makes it).
    if (pieces_.firstTriangle[piece + 1] - pieces_.firstTriangle[piece] >= kSplitTriangles) {
      watch_.checkpoint();
      prepareMasks(piece, scale);  // the tables the threads fill, sized before they share them
      std::vector<int> missing;
      for (int k = 0; k < poseCount; ++k)
        if (!made_[piece][k] && fitsInside(poses_[piece][k])) missing.push_back(k);
      auto makeMasks = [&](int part) {
        for (size_t i = part; i < missing.size(); i += 2) mask(piece, missing[i], grow, scale);
      };
      if (missing.size() > 1) second_.run(makeMasks);
    }
    Place best;
    int bestPose = -1;
    for (int k = 0; k < poseCount; ++k) {
      // A big piece's pose may take milliseconds: a stop request is heard at every one.
      watch_.checkpoint();
      if (!fitsInside(poses_[piece][k])) continue;
      if (lowestPlace(space, mask(piece, k, grow, scale), edge, best)) bestPose = k;
    }
    if (bestPose < 0) return false;
    const Mask& m = mask(piece, bestPose, grow, scale);
    for (int j = 0; j < m.rows; ++j)
      for (int32_t k = m.coreStart[j]; k < m.coreStart[j + 1]; ++k)
        space.take(best.y + j, best.x + m.core[k].first, best.x + m.core[k].last);
    pose_[piece] = bestPose;
    x_[piece] = (best.x + grow) * cell_;
    y_[piece] = (best.y + grow) * cell_;
  }
  return true;
}

int64_t TightPacker::apply(PieceLayout& layout, Pieces& pieces) const {
  int64_t turned = 0;
  for (size_t p = 0; p < pieces.boxes.size(); ++p) {
    const Pose& pose = poses_[p][pose_[p]];
    PieceBox& box = pieces.boxes[p];
    box = {pose.width, pose.height, x_[p], y_[p], 0};
    if (pose_[p] == 0) continue;
    ++turned;
    for (int32_t i = pieces.firstTriangle[p]; i < pieces.firstTriangle[p + 1]; ++i)
      for (int k = 0; k < 3; ++k) {
        Vec2& q = layout.corner[3 * pieces.triangles[i] + k];
        q = pose.place(q);
      }
  }
  return turned;
}

// The orders the pieces are tried in: biggest first by several measures.
std::vector<std::vector<int32_t>> tightOrders(const Pieces& pieces) {
  const size_t count = pieces.boxes.size();
  const auto& b = pieces.boxes;
  auto sortedBy = [&](auto key) {
    std::vector<int32_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = static_cast<int32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](int32_t x, int32_t y) { return key(x) > key(y); });
    return order;
  };
  return {sortedBy([&](int32_t p) { return std::max(b[p].width, b[p].height); }),
          sortedBy([&](int32_t p) { return b[p].width * b[p].height; }),
          sortedBy([&](int32_t p) { return b[p].height; }),
          sortedBy([&](int32_t p) { return pieces.area[p]; }),
          sortedBy([&](int32_t p) { return b[p].width + b[p].height; })};
}

// The largest scale in [lo, hi] at which the packer fits one of the orders, searched to a
// relative step of `step`, and that order; lo and no order when none fits above lo. The
// trials take the progress from `from` to `to`.
std::pair<double, const std::vector<int32_t>*> searchScale(
    TightPacker& packer, const std::vector<std::vector<int32_t>>& orders, double lo, double hi,
    double step, double from, double to) {
  auto fits = [&](double scale) -> const std::vector<int32_t>* {
    for (const auto& order : orders)
      if (packer.pack(order, scale)) return &order;
    return nullptr;
  };
  const std::vector<int32_t>* fitted = nullptr;
  constexpr int kMaxTrials = 80;
  // Each trial halves the logarithm of hi / lo, down to that of 1 + step.
  const double expected =
      lo > 0 && hi > lo ? std::ceil(std::log2(std::log(hi / lo) / std::log1p(step))) : kMaxTrials;
  const double trials = std::clamp(expected, 1.0, static_cast<double>(kMaxTrials));
  // Halving from nothing when even the floor is 0 (nothing fitted the standard packers).
  for (int trial = 0; trial < kMaxTrials && hi > lo * (1 + step); ++trial) {
    packer.reportAt(from + (to - from) * std::min(trial / trials, 1.0));
    const double mid = lo > 0 ? std::sqrt(lo * hi) : hi / 2;
    if (const auto* order = fits(mid)) {
      lo = mid;
      fitted = order;
    } else {
      hi = mid;
    }
  }
  return {lo, fitted};
}

}  // namespace

TightLayout packTight(PieceLayout& layout, Pieces& pieces, int W, int H, int margin, double floor,
                      Progress* progress) {
  double totalArea = 0;
  for (double a : pieces.area) totalArea += a;
  const double hi = std::sqrt(static_cast<double>(W) * H / (totalArea + 1e-30));
  const std::vector<std::vector<int32_t>> orders = tightOrders(pieces);
  // To half a texel along the texture's longer side: a finer scale gains no texel.
  const double step = 0.5 / std::max(W, H);
  // Greedy packings are chaotic: a few more angles for the big pieces win on some models and
  // lose on others, so both are searched (the second only above what the first found).
  std::optional<TightPacker> best;
  double bestScale = floor;
  const std::vector<int32_t>* bestOrder = nullptr;
  // The unwrap reported 0.2 of the packing stage before the packers began.
  constexpr double kStart = 0.2, kPass = (1 - kStart) / 2;
  // Each piece's best angle alone, found in the first pass, again in the second.
  std::vector<std::optional<double>> aloneSteps(pieces.boxes.size());
  for (const bool fine : {false, true}) {
    const double from = kStart + (fine ? kPass : 0);
    TightPacker packer(layout, pieces, W, H, margin, floor, fine, aloneSteps, progress, from);
    const auto [scale, order] = searchScale(packer, orders, bestScale, hi, step, from, from + kPass);
    if (!order) continue;
    best.emplace(std::move(packer));
    bestScale = scale;
    bestOrder = order;
  }
  if (!bestOrder) return {};
  best->pack(*bestOrder, bestScale);
  return {bestScale, best->apply(layout, pieces)};
}
