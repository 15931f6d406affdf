// Smooth ("organic") segmentation: charts of triangles whose normals share a cone, each
// flattened as a whole by a least-squares conformal map (LSCM) and cut at its median while it
// stretches more than the limit allows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/progress.h"
#include "unwrap/exact.h"
#include "unwrap/weld.h"

// Why a chart's flattening was kept.
enum class ChartAcceptance : uint8_t {
  withinLimit,     // its stretch is within the limit
  singleTriangle,  // one triangle: nothing left to cut
  chartLimit,      // there are already as many charts as triangles
  uncuttable,      // every triangle lies on one side of the median
  degenerate,      // one degenerate triangle with the fixed layout; no stretch measured
};

struct SmoothLayout {
  PieceLayout layout;               // charts become the pieces
  double largestStretch = 1;        // largest stretch of an accepted chart, at least 1
  int64_t foldedCount = 0;          // non-degenerate triangles laid out with reversed winding
  std::vector<double> chartStretch;             // per piece: the stretch it was accepted with
  std::vector<ChartAcceptance> acceptance;      // per piece
};

// Below this many triangles a smooth unwrap takes under a millisecond or two, and starting a
// second thread and handing charts over gains little or nothing (even at about 600).
inline constexpr size_t kSmoothTwoThreadTriangles = 1000;

// Charts by normal cones (cosine of maxAngleDegrees, material borders kept), small charts
// absorbed by their best neighbour, then flattening with cuts until every chart's stretch is
// at most stretchLimit (a factor, e.g. 1.3) or the chart cannot be cut, and no chart's
// flattening lies over itself. progress (may be null) hears of the charts flattened and may
// stop the work (WorkCancelled). Models of at least twoThreadTriangles triangles have their
// charts flattened on two threads; the result is the same whatever it is.
SmoothLayout segmentSmooth(const Model& model, const WeldData& weld, double maxAngleDegrees,
                           double stretchLimit, Progress* progress = nullptr,
                           size_t twoThreadTriangles = kSmoothTwoThreadTriangles);

// Scratch space of lscmFlatten, kept across charts: a solve allocates only when its chart is
// larger than every chart before it, and never inside the solver's iterations.
struct LscmWorkspace {
  std::vector<int32_t> position;  // per variable: its welded position
  std::vector<int32_t> vertex;    // per variable: one vertex at that position
  std::vector<int32_t> column;    // kLscmRowEntries per matrix row
  std::vector<double> value;      // kLscmRowEntries per matrix row
  std::vector<int32_t> rowCorner;        // per row pair (a measured triangle): its 3 variables
  std::vector<double> rowCoefficient;    // per row pair: (a - L)/s, b/s, a/s, L/s
  std::vector<int32_t> columnStart;  // the matrix by columns: column c's entries start here
  std::vector<int32_t> entryRow;     // per column entry: its row
  std::vector<double> entryValue;    // per column entry: its value
  std::vector<int32_t> fill;         // per column: next free entry while transposing
  std::vector<double> z, r, g, p, q;
};
inline constexpr int kLscmRowEntries = 5;  // three x and two y per row, or two x and three y

// Flattens one chart (its triangles in triangle order, none degenerate) with the positions of
// its own triangles as the only variables, pinned at two far-apart points of its projection
// along normalSum. Writes corner[3t + k] of the chart's triangles in model units (same 2D
// area as in 3D, counter-clockwise overall) and returns the chart's stretch (>= 1).
// localIndex has one entry per welded position, all -1; they are -1 again on return. A stop
// asked through progress (may be null) ends the solve with WorkCancelled, leaving the
// scratch space and localIndex dirty.
double lscmFlatten(const Model& model, const WeldData& weld, std::span<const int32_t> chart,
                   Vec3 normalSum, std::vector<int32_t>& localIndex, std::vector<Vec2>& corner,
                   LscmWorkspace& work, const Progress* progress = nullptr);

// How much the flattening stretches triangle t: the larger of its largest singular value and
// the inverse of its smallest; 1e9 when it is folded over or collapsed; 1 for a triangle too
// thin to measure.
double triangleStretch(const Model& model, int32_t t, const Vec2 corner[3]);

// The fixed layout of a degenerate triangle: corner 0 at the origin, corner 1 on +x.
void layDegenerateTriangle(const WeldData& weld, int32_t t, Vec2 out[3]);
