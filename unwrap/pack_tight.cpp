#include "unwrap/pack_tight.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
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
};

// The first column in [lo, hi] at which `passes` holds, hi + 1 when none, for a test that
// holds from some column on; `guess` (in [lo, hi]) is where it likely starts holding.
template <class Test>
int firstPassing(const Test& passes, int lo, int hi, int guess) {
  if (passes(guess)) {
    if (guess == lo || !passes(guess - 1)) return guess;
    hi = guess - 1;
  } else {
    if (guess == hi || passes(guess + 1)) return guess + 1;
    lo = guess + 2;
    if (lo > hi || !passes(hi)) return hi + 1;
  }
  while (lo < hi) {  // passes(hi) holds
    const int mid = lo + (hi - lo) / 2;
    if (passes(mid)) hi = mid;
    else lo = mid + 1;
  }
  return lo;
}

// Along a row of cell centres, the test of edge a-b is monotone in the column: the centre's x
// enters orient2d only through a subtraction and a product with constants, and rounding keeps
// the order of what it rounds. So the cells in [lo, hi] passing it are one run, found with the
// very test a cell-by-cell sweep would make, starting where the edge's line crosses the row;
// lo > hi when none passes.
void edgeRun(Vec2 a, Vec2 b, double s, double r, int row, int& lo, int& hi) {
  auto passes = [&](int col) { return s * orient2d(a, b, {col + 0.5, row + 0.5}) >= -r; };
  const double rising = -s * (b.y - a.y);  // the sign of the test's slope along the row
  // Where the run likely ends within [from, to]: where the edge's line crosses the row, worked
  // out only for a wide row (a narrow one is quicker tested from `near` on).
  auto guess = [&](int from, int to, int near, bool up) {
    if (to - from < 4) return near;
    const double cross = a.x + (s * (b.x - a.x) * (row + 0.5 - a.y) + r) / (s * (b.y - a.y)) - 0.5;
    const double col = up ? std::ceil(cross) : std::floor(cross);
    return !(col > from) ? from : !(col < to) ? to : static_cast<int>(col);
  };
  if (rising > 0) {
    if (passes(lo)) return;  // the whole row passes
    lo = lo == hi ? hi + 1 : firstPassing(passes, lo + 1, hi, guess(lo + 1, hi, lo + 1, true));
  } else if (rising < 0) {
    if (passes(hi)) return;
    const int flip = lo + hi;  // the run's last column, found as the first of the mirrored row
    hi = lo == hi ? lo - 1
                  : flip - firstPassing([&](int col) { return passes(flip - col); }, lo + 1, hi,
                                        flip - guess(lo, hi - 1, hi - 1, false));
  } else if (!passes(lo)) {
    lo = hi + 1;
  }
}

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
      // Cells another triangle touched already need no test: the row is cut to those between.
      int lo = i0, hi = i1;
      while (lo <= hi && line[lo]) ++lo;
      while (lo <= hi && line[hi]) --hi;
      if (lo > hi) continue;
      edgeRun(c[1], c[2], s, r0, row, lo, hi);
      if (lo <= hi) edgeRun(c[2], c[0], s, r1, row, lo, hi);
      if (lo <= hi) edgeRun(c[0], c[1], s, r2, row, lo, hi);
      if (lo <= hi) std::fill_n(line + lo, hi - lo + 1, 1);
    }
  }
  return cells;
}

// The core's runs of set cells per row and the box around them.
void runsOf(const std::vector<uint8_t>& cells, int cols, Mask& m) {
  m.coreStart.assign(m.rows + 1, 0);
  for (int row = 0; row < m.rows; ++row) {
    m.coreStart[row] = static_cast<int32_t>(m.core.size());
    const uint8_t* line = &cells[static_cast<size_t>(row) * cols];
    const uint8_t* end = line + cols;
    for (const uint8_t* at = line; at < end;) {
      const auto* set = static_cast<const uint8_t*>(std::memchr(at, 1, end - at));
      if (!set) break;
      const auto* clear = static_cast<const uint8_t*>(std::memchr(set, 0, end - set));
      at = clear ? clear : end;
      const int first = static_cast<int>(set - line), last = static_cast<int>(at - line) - 1;
      m.core.push_back({first, last});
      m.coreLeft = std::min(m.coreLeft, first);
      m.coreRight = std::max(m.coreRight, last);
      m.coreBottom = std::min(m.coreBottom, row);
      m.coreTop = std::max(m.coreTop, row);
    }
  }
  m.coreStart[m.rows] = static_cast<int32_t>(m.core.size());
}

// Every cell within `grow` cells (a square) of a core cell, as runs: per row, the core runs of
// the rows within grow, each widened by grow, merged where they overlap or touch.
void grownRuns(Mask& m, int cols, int grow) {
  std::vector<Mask::Run> wide(m.core.size());  // indexed as the core's runs
  for (size_t k = 0; k < m.core.size(); ++k)
    wide[k] = {std::max(0, m.core[k].first - grow), std::min(cols - 1, m.core[k].last + grow)};
  auto byFirst = [](Mask::Run x, Mask::Run y) { return x.first < y.first; };
  m.grownStart.assign(m.rows + 1, 0);
  std::vector<Mask::Run> near, merged;
  for (int row = 0; row < m.rows; ++row) {
    const auto start = static_cast<int32_t>(m.grown.size());
    m.grownStart[row] = start;
    near.clear();
    for (int r = std::max(0, row - grow); r <= std::min(m.rows - 1, row + grow); ++r) {
      merged.clear();
      std::merge(near.begin(), near.end(), wide.begin() + m.coreStart[r],
                 wide.begin() + m.coreStart[r + 1], std::back_inserter(merged), byFirst);
      std::swap(near, merged);
    }
    for (const Mask::Run& run : near)
      if (static_cast<int32_t>(m.grown.size()) > start && run.first <= m.grown.back().last + 1)
        m.grown.back().last = std::max(m.grown.back().last, run.last);
      else
        m.grown.push_back(run);
  }
  m.grownStart[m.rows] = static_cast<int32_t>(m.grown.size());
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
  runsOf(core, cols, m);
  grownRuns(m, cols, grow);
  if (m.coreRight < 0) m.coreLeft = m.coreRight = m.coreBottom = m.coreTop = grow;
  return m;
}

// The texture's free cells as runs per row, left to right: what no placed piece touches. Per
// row the widest free run lets whole rows be passed over when a piece cannot fit in them.
class FreeSpace {
 public:
  using Run = Mask::Run;
  FreeSpace(int cols, int rows)
      : cols_(cols), rows_(rows), free_(rows, std::vector<Run>{{0, cols - 1}}), widestFree_(rows, cols) {}

  int cols() const { return cols_; }
  int rows() const { return rows_; }
  const std::vector<Run>& free(int row) const { return free_[row]; }
  int widestFree(int row) const { return widestFree_[row]; }

  void take(int row, int first, int last) {
    std::vector<Run>& runs = free_[row];
    auto from = std::lower_bound(runs.begin(), runs.end(), first,
                                 [](const Run& run, int col) { return run.last < col; });
    auto to = from;
    while (to != runs.end() && to->first <= last) ++to;
    if (from == to) return;
    Run kept[2];
    int keptCount = 0;
    if (from->first < first) kept[keptCount++] = {from->first, first - 1};
    if ((to - 1)->last > last) kept[keptCount++] = {last + 1, (to - 1)->last};
    runs.insert(runs.erase(from, to), kept, kept + keptCount);
    int widest = 0;
    for (const Run& run : runs) widest = std::max(widest, run.last - run.first + 1);
    widestFree_[row] = widest;
  }

 private:
  int cols_, rows_;
  std::vector<std::vector<Run>> free_;
  std::vector<int> widestFree_;
};

// The x from which a run of a mask, placed at x on a row, meets no taken cell of it, and the
// last x up to which it still meets none.
struct FreeSpan {
  int from, until;
};
constexpr int kNoEnd = std::numeric_limits<int>::max();

// The free span of `run` that starts first at or after `x`: where the run, cut to the texture,
// lies in one free run of the row (or is cut away whole). Free runs start further right in
// turn, so the first one the placed run fits in is the one it fits in first.
FreeSpan freeSpanOfRun(const std::vector<Mask::Run>& free, int cols, Mask::Run run, int x) {
  if (x + run.last < 0) return {x, x};
  auto at = std::lower_bound(free.begin(), free.end(), std::max(0, x + run.first),
                             [](const Mask::Run& gap, int col) { return gap.last < col; });
  for (; at != free.end(); ++at) {
    const int from = at->first == 0 ? x : std::max(x, at->first - run.first);
    if (at->last == cols - 1) return {from, kNoEnd};
    if (from + run.last <= at->last) return {from, at->last - run.last};
  }
  return {std::max(x, cols - run.first), kNoEnd};
}

// The free span of the mask's grown runs of row j, placed at y, that starts first at or after
// `x`; its start is past xHigh when none starts by then.
FreeSpan freeSpanOfRow(const FreeSpace& space, const Mask& m, int j, int x, int y, int xHigh) {
  const int row = y + j;
  if (row < 0 || row >= space.rows()) return {x, kNoEnd};
  const std::vector<Mask::Run>& free = space.free(row);
  int until = kNoEnd;
  for (int32_t k = m.grownStart[j]; k < m.grownStart[j + 1] && x <= xHigh;) {
    const FreeSpan span = freeSpanOfRun(free, space.cols(), m.grown[k], x);
    if (span.from == x) {
      until = std::min(until, span.until);
      ++k;
      continue;
    }
    x = span.from;
    until = kNoEnd;
    k = m.grownStart[j];  // the row's earlier runs may meet a taken cell from the new x
  }
  return {x, until};
}

// The first x at or after `x` from which the mask's grown runs, placed at (x, y), meet no taken
// cell, or one past xHigh. Each row's free span is kept in `known` (one per mask row) and
// looked at again only once x has passed it; `blocked`, the row that moved x last, is tried
// first: it usually moves the next one too.
int nextFreeX(const FreeSpace& space, const Mask& m, int x, int y, int xHigh,
              std::vector<int64_t>& known, int& blocked) {
  // A span's end with the height it was found at above it, so that spans found at lower heights
  // count as passed without clearing them.
  auto atY = [y](int col) { return (static_cast<int64_t>(y) << 32) + (int64_t{col} + (int64_t{1} << 31)); };
  for (int j = blocked, unmoved = 0; unmoved < m.rows; j = j + 1 == m.rows ? 0 : j + 1) {
    ++unmoved;
    if (atY(x) <= known[j]) continue;
    const FreeSpan span = freeSpanOfRow(space, m, j, x, y, xHigh);
    known[j] = atY(span.until);
    if (span.from == x) continue;
    x = span.from;
    blocked = j;
    unmoved = 1;
    if (x > xHigh) break;
  }
  return x;
}

// The free run each row of the mask needs in its texture row: its widest grown run, less what
// the texture's sides may cut off it at the places tried (x from xLow to xHigh).
std::vector<int> freeRunsNeeded(const Mask& m, int edge) {
  std::vector<int> need(m.rows, 0);
  for (int j = 0; j < m.rows; ++j)
    for (int32_t k = m.grownStart[j]; k < m.grownStart[j + 1]; ++k) {
      const Mask::Run run = m.grown[k];
      const int cutLeft = std::max(0, m.coreLeft - edge - run.first);
      const int cutRight = std::max(0, run.last - m.coreRight - edge);
      need[j] = std::max(need[j], run.last - run.first + 1 - cutLeft - cutRight);
    }
  return need;
}

// Whether every row of the texture the mask covers at y has as wide a free run as it needs.
// `short_` is the row that had none last time: tried first, it often has none again.
bool roomInRows(const FreeSpace& space, const std::vector<int>& need, int y, int& short_) {
  const int rows = static_cast<int>(need.size());
  const int low = std::max(0, -y), high = std::min(rows, space.rows() - y);
  if (short_ >= low && short_ < high && space.widestFree(y + short_) < need[short_]) return false;
  for (int j = low; j < high; ++j)
    if (space.widestFree(y + j) < need[j]) {
      short_ = j;
      return false;
    }
  return true;
}

struct Place {
  int x = 0, y = 0, top = 1 << 30;
};

// The free place where the mask's top is lowest, then lowest, then leftmost, with its core
// `edge` cells inside the border; only places whose top is below place.top count, or not
// above it when `winsTie`. True when it found one (and changed place).
bool lowestPlace(const FreeSpace& space, const Mask& m, int edge, bool winsTie, Place& place) {
  const int xLow = edge - m.coreLeft, xHigh = space.cols() - 1 - edge - m.coreRight;
  const int yLow = edge - m.coreBottom, yHigh = space.rows() - 1 - edge - m.coreTop;
  const int topLimit = place.top + (winsTie ? 1 : 0);
  const std::vector<int> need = freeRunsNeeded(m, edge);
  int blocked = 0, short_ = m.coreBottom;
  std::vector<int64_t> known(m.rows, std::numeric_limits<int64_t>::min());
  for (int y = yLow; y <= yHigh && y + m.coreTop < topLimit; ++y) {
    if (!roomInRows(space, need, y, short_)) continue;
    const int x = nextFreeX(space, m, xLow, y, xHigh, known, blocked);
    if (x <= xHigh) {
      place = {x, y, y + m.coreTop};
      return true;
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
    // The pose the piece took last time is tried first: its place usually cuts the others'
    // search short. Each pose is still placed where its top is lowest, and of poses as low the
    // first wins, so the order they are tried in changes nothing.
    for (int i = 0; i < poseCount; ++i) {
      const int k = i == 0 ? pose_[piece] : i <= pose_[piece] ? i - 1 : i;
      // A big piece's pose may take milliseconds: a stop request is heard at every one.
      watch_.checkpoint();
      if (!fitsInside(poses_[piece][k])) continue;
      if (lowestPlace(space, mask(piece, k, grow, scale), edge, bestPose >= 0 && k < bestPose, best))
        bestPose = k;
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
