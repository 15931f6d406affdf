#include "unwrap/smooth.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>

#include "base/second_thread.h"
#include "unwrap/overlap.h"

namespace {

// The flattening forms its edge vectors and start values in single precision. A value beyond
// the float range keeps its double, so that huge coordinates do not become infinities.
double singlePrecision(double v) {
  return std::fabs(v) <= std::numeric_limits<float>::max() ? static_cast<double>(static_cast<float>(v)) : v;
}

Vec3 floatEdge(const Vertex& from, const Vertex& to) {
  return {singlePrecision(double(to.x) - from.x), singlePrecision(double(to.y) - from.y),
          singlePrecision(double(to.z) - from.z)};
}

// Triangle t in its own plane: corner 0 at the origin, corner 1 at (L, 0), corner 2 at (a, b).
struct TriangleFrame {
  double L = 0, a = 0, b = 0;
  double doubledArea = 0;  // |e1 x e2|
  bool measurable = false;  // L and b are both at least 1e-12
};

TriangleFrame frameOf(const Model& model, int32_t t) {
  const Triangle& tri = model.triangles[t];
  const Vertex& p0 = model.vertices[tri.cornerA];
  const Vec3 e1 = floatEdge(p0, model.vertices[tri.cornerB]);
  const Vec3 e2 = floatEdge(p0, model.vertices[tri.cornerC]);
  TriangleFrame f;
  f.L = length(e1);
  f.doubledArea = length(cross(e1, e2));
  if (!(f.L >= 1e-12)) return f;
  f.a = dot(e2, e1) / f.L;
  f.b = f.doubledArea / f.L;
  f.measurable = f.b >= 1e-12;
  return f;
}

double stretchOf(const TriangleFrame& f, const Vec2 c[3]) {
  if (!f.measurable) return 1;
  const double du1 = c[1].x - c[0].x, dv1 = c[1].y - c[0].y;
  const double du2 = c[2].x - c[0].x, dv2 = c[2].y - c[0].y;
  const double j11 = du1 / f.L, j12 = (du2 - du1 * f.a / f.L) / f.b;
  const double j21 = dv1 / f.L, j22 = (dv2 - dv1 * f.a / f.L) / f.b;
  const double det = j11 * j22 - j12 * j21;
  if (!(det > 1e-12)) return 1e9;  // folded over or collapsed
  const double F = j11 * j11 + j12 * j12 + j21 * j21 + j22 * j22;
  const double D = std::max(0.0, F * F - 4 * det * det);
  const double sigma1 = std::sqrt((F + std::sqrt(D)) / 2);
  const double sigma2 = std::sqrt((F - std::sqrt(D)) / 2);
  if (!(sigma2 >= 1e-9)) return 1e9;
  return std::max(sigma1, 1 / sigma2);
}

// out = M x, two rows per measured triangle from its three variables and four coefficients;
// returns |out|² summed in row order. Each row adds the same products in the same order as its
// five stored entries would (a negated coefficient times x is subtracted, which rounds alike).
double multiply(const LscmWorkspace& w, size_t rows, const std::vector<double>& x,
                std::vector<double>& out) {
  const size_t n = x.size() / 2;
  double squares = 0;
  for (size_t row = 0; row < rows; row += 2) {
    const int32_t* l = &w.rowCorner[row / 2 * 3];
    const double* c = &w.rowCoefficient[row / 2 * 4];  // (a - L)/s, b/s, a/s, L/s
    const double x0 = x[l[0]], y0 = x[n + l[0]], x1 = x[l[1]], y1 = x[n + l[1]];
    double sx = 0;
    sx += c[0] * x0;
    sx -= c[1] * y0;
    sx -= c[2] * x1;
    sx += c[1] * y1;
    sx += c[3] * x[l[2]];
    double sy = 0;
    sy += c[1] * x0;
    sy += c[0] * y0;
    sy -= c[1] * x1;
    sy -= c[2] * y1;
    sy += c[3] * x[n + l[2]];
    out[row] = sx;
    out[row + 1] = sy;
    squares += sx * sx;
    squares += sy * sy;
  }
  return squares;
}

// Lists each column's entries in row order (and entry order within a row), so that gathering
// a column adds the same products in the same order as scattering the rows would. The pinned
// columns get no entries: their results are 0.
void transposeRows(LscmWorkspace& w, size_t rows, size_t columns, const int32_t pinned[4]) {
  w.columnStart.assign(columns + 1, 0);
  for (size_t i = 0; i < rows * kLscmRowEntries; ++i) ++w.columnStart[w.column[i] + 1];
  for (int i = 0; i < 4; ++i) w.columnStart[pinned[i] + 1] = 0;
  for (size_t c = 0; c < columns; ++c) w.columnStart[c + 1] += w.columnStart[c];
  const size_t entries = w.columnStart[columns];
  w.entryRow.resize(entries);
  w.entryValue.resize(entries);
  w.fill.assign(w.columnStart.begin(), w.columnStart.end() - 1);
  for (int i = 0; i < 4; ++i) w.fill[pinned[i]] = -1;
  for (size_t row = 0; row < rows; ++row)
    for (int e = 0; e < kLscmRowEntries; ++e) {
      const size_t i = row * kLscmRowEntries + e;
      int32_t& slot = w.fill[w.column[i]];
      if (slot < 0) continue;
      w.entryRow[slot] = static_cast<int32_t>(row);
      w.entryValue[slot] = w.value[i];
      ++slot;
    }
}

// out = Mᵀ y with the pinned entries 0, by columns; returns |out|² summed in column order.
double multiplyTransposed(const LscmWorkspace& w, const std::vector<double>& y, std::vector<double>& out) {
  double squares = 0;
  for (size_t c = 0; c < out.size(); ++c) {
    double s = 0;
    for (int32_t i = w.columnStart[c]; i < w.columnStart[c + 1]; ++i) s += w.entryValue[i] * y[w.entryRow[i]];
    out[c] = s;
    squares += s * s;
  }
  return squares;
}

// Calls visit(n) for every triangle n across the edges of t (t itself included).
template <typename Visit>
void forEdgeNeighbours(const WeldData& weld, int32_t t, Visit visit) {
  for (int k = 0; k < 3; ++k)
    for (int32_t nc = weld.edgeHead[weld.edgeId[3 * t + k]]; nc != -1; nc = weld.edgeNext[nc]) visit(nc / 3);
}

Vec3 weightedNormal(const WeldData& weld, int32_t t) { return weld.area[t] * weld.normal[t]; }

// The charts before flattening.
struct Charts {
  std::vector<int32_t> chartOf;  // per triangle
  std::vector<Vec3> sum;         // per chart: its area-weighted normals
  std::vector<int32_t> size;     // per chart: its number of triangles

  bool sameMaterial(const Model& model, int32_t a, int32_t b) const {
    return model.triangles[a].material == model.triangles[b].material;
  }
  // The cosine of the angle between normal n and the mean normal of chart c; false when the
  // chart has no mean direction.
  bool cosineToMean(int32_t c, Vec3 n, double& cosine) const {
    const double S = length(sum[c]);
    if (!(S > 0)) return false;
    cosine = dot(n, (1 / S) * sum[c]);
    return true;
  }
};

// Charts by normal cones, grown breadth-first from the largest free triangle: a neighbour of
// the same material joins when its normal lies within the angle of both the triangle's and the
// chart's mean normal. A degenerate triangle is a chart of its own.
Charts growCharts(const Model& model, const WeldData& weld, double cosLimit) {
  Charts charts;
  charts.chartOf.assign(model.triangles.size(), -1);
  std::vector<int32_t> queue;
  for (int32_t g : weld.areaOrder) {
    if (charts.chartOf[g] != -1) continue;
    const auto c = static_cast<int32_t>(charts.sum.size());
    charts.chartOf[g] = c;
    charts.sum.push_back({});
    charts.size.push_back(1);
    if (weld.degenerate[g]) continue;
    charts.sum[c] = weightedNormal(weld, g);
    queue.assign(1, g);
    for (size_t head = 0; head < queue.size(); ++head) {
      const int32_t t = queue[head];
      forEdgeNeighbours(weld, t, [&](int32_t n) {
        if (charts.chartOf[n] != -1 || weld.degenerate[n] || !charts.sameMaterial(model, n, t) ||
            dot(weld.normal[t], weld.normal[n]) < cosLimit)
          return;
        double cosine;
        if (!charts.cosineToMean(c, weld.normal[n], cosine) || cosine < cosLimit) return;
        charts.chartOf[n] = c;
        ++charts.size[c];
        charts.sum[c] = charts.sum[c] + weightedNormal(weld, n);
        queue.push_back(n);
      });
    }
  }
  return charts;
}

// Charts of one or two triangles: each of their triangles joins the neighbouring chart (of
// three or more) whose mean normal is closest, if it lies within 85 degrees.
void absorbSmallCharts(const Model& model, const WeldData& weld, Charts& charts) {
  const double cos85 = std::cos(85 * M_PI / 180.0);
  for (int32_t t = 0; t < static_cast<int32_t>(charts.chartOf.size()); ++t) {
    if (weld.degenerate[t] || charts.size[charts.chartOf[t]] >= 3) continue;
    int32_t best = -1;
    double bestValue = 0;
    forEdgeNeighbours(weld, t, [&](int32_t n) {
      const int32_t c = charts.chartOf[n];
      double value;
      if (c == charts.chartOf[t] || charts.size[c] < 3 || !charts.sameMaterial(model, n, t) ||
          !charts.cosineToMean(c, weld.normal[t], value))
        return;
      if (value > cos85 && (best < 0 || value > bestValue)) {
        best = c;
        bestValue = value;
      }
    });
    if (best < 0) continue;
    --charts.size[charts.chartOf[t]];
    ++charts.size[best];
    charts.sum[best] = charts.sum[best] + weightedNormal(weld, t);
    charts.chartOf[t] = best;
  }
}

// Drops the emptied charts, the rest keeping their order, and lists each chart's triangles in
// triangle order.
std::vector<std::vector<int32_t>> renumberCharts(Charts& charts) {
  std::vector<int32_t> renumber(charts.size.size(), -1);
  int32_t count = 0;
  for (size_t c = 0; c < charts.size.size(); ++c)
    if (charts.size[c] > 0) renumber[c] = count++;
  std::vector<std::vector<int32_t>> triangles(count);
  for (size_t t = 0; t < charts.chartOf.size(); ++t) {
    charts.chartOf[t] = renumber[charts.chartOf[t]];
    triangles[charts.chartOf[t]].push_back(static_cast<int32_t>(t));
  }
  return triangles;
}

// What flattening one entry of the queue found.
struct Flattening {
  bool done = false;
  double stretch = 1;
  bool fitsFlat = false;        // within the limit and not lying over itself
  std::exception_ptr failure;   // the flattening stopped (a stop request) or failed
};

// One thread's scratch space for flattening charts.
struct FlattenLane {
  LscmWorkspace workspace;
  std::vector<int32_t> localIndex;  // per welded position; -1 outside a solve
  std::vector<int32_t> triangles;   // the chart being flattened
};

// Flattens the charts in a queue: a chart is kept when its stretch is within the limit and
// its flattening does not lie over itself, or when it cannot be cut; otherwise it is cut at
// its median into connected parts, which join the queue.
//
// A chart's flattening depends on its triangles alone, so on a large model two threads flatten
// the entries of the queue as they come, while every decision (keep or cut, the new charts'
// numbers, the queue's order) is taken on the calling thread in queue order: the result does
// not depend on the number of threads or on their timing.
class ChartFlattener {
 public:
  ChartFlattener(const Model& model, const WeldData& weld, double stretchLimit, Charts& charts,
                 std::vector<std::vector<int32_t>> chartTriangles, SmoothLayout& out,
                 Progress* progress)
      : model_(model),
        weld_(weld),
        stretchLimit_(stretchLimit),
        chartOf_(charts.chartOf),
        chartTriangles_(std::move(chartTriangles)),
        chartCount_(static_cast<int32_t>(chartTriangles_.size())),
        out_(out),
        progress_(progress) {
    const size_t T = model.triangles.size();
    out.layout.corner.assign(3 * T, Vec2{});
    out.chartStretch.assign(chartCount_, 1);
    out.acceptance.assign(chartCount_, ChartAcceptance::withinLimit);
    side_.assign(T, 0);
    cutStamp_.assign(T, 0);
  }

  // Returns the number of charts at the end.
  int32_t run(bool twoThreads) {
    work_.resize(chartCount_);
    for (int32_t c = 0; c < chartCount_; ++c) work_[c] = c;
    flattened_.assign(work_.size(), {});
    const int32_t positions =
        weld_.positionId.empty() ? 0 : *std::max_element(weld_.positionId.begin(), weld_.positionId.end()) + 1;
    for (FlattenLane& lane : lanes_) lane.localIndex.assign(twoThreads || &lane == lanes_ ? positions : 0, -1);
    auto job = [this](int lane) { lane == 0 ? decideInOrder() : flattenAhead(); };
    if (twoThreads)
      second_.run(job);
    else
      decideInOrder();
    if (failure_) std::rethrow_exception(failure_);
    return chartCount_;
  }

 private:
  // The calling thread: takes the decisions in queue order, flattening entries itself while
  // the next decision waits for one. Ends the other thread's work when done or stopped.
  void decideInOrder() {
    try {
      for (size_t head = 0; head < work_.size(); ++head) {
        // Cuts add charts to the list, so the fraction is of the charts known by now.
        if (head % 64 == 0)
          checkpoint(progress_, ProgressStage::flattening, static_cast<double>(head) / work_.size());
        std::unique_lock lock(mutex_);
        while (!flattened_[head].done) {
          if (claimed_ < work_.size())
            flattenNext(lock, lanes_[0]);
          else
            changed_.wait(lock);
        }
        if (flattened_[head].failure) std::rethrow_exception(flattened_[head].failure);
        decide(work_[head], flattened_[head]);
        changed_.notify_all();
      }
    } catch (...) {
      failure_ = std::current_exception();
    }
    const std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
  }

  // The second thread: flattens the next entries of the queue until the decisions are done.
  void flattenAhead() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return finished_ || claimed_ < work_.size(); });
      if (finished_) return;
      flattenNext(lock, lanes_[1]);
    }
  }

  // Flattens the first entry of the queue nobody has taken yet, with the lock released
  // meanwhile.
  void flattenNext(std::unique_lock<std::mutex>& lock, FlattenLane& lane) {
    const size_t entry = claimed_++;
    lane.triangles = chartTriangles_[work_[entry]];
    lock.unlock();
    Flattening result;
    try {
      result = flatten(lane);
    } catch (...) {
      result.failure = std::current_exception();
    }
    result.done = true;
    lock.lock();
    flattened_[entry] = result;
    changed_.notify_all();
  }

  Flattening flatten(FlattenLane& lane) {
    const std::vector<int32_t>& tris = lane.triangles;
    Flattening f;
    if (tris.empty()) return f;
    if (tris.size() == 1 && weld_.degenerate[tris[0]]) {
      layDegenerateTriangle(weld_, tris[0], &out_.layout.corner[3 * static_cast<size_t>(tris[0])]);
      return f;
    }
    Vec3 sum;
    for (int32_t t : tris) sum = sum + weightedNormal(weld_, t);
    f.stretch = lscmFlatten(model_, weld_, tris, sum, lane.localIndex, out_.layout.corner,
                            lane.workspace, progress_);
    // A flattening that lies over itself (its border crossing itself, with no triangle folded)
    // would paint one texture pixel onto two places: it is cut like a stretched one.
    f.fitsFlat = f.stretch <= stretchLimit_ && !layoutOverlaps(tris, out_.layout.corner, weld_.eps);
    return f;
  }

  // Keeps chart c as flattened or cuts it; called in queue order with the lock held.
  void decide(int32_t c, const Flattening f) {
    const std::vector<int32_t>& tris = chartTriangles_[c];
    if (tris.empty()) return;
    if (tris.size() == 1 && weld_.degenerate[tris[0]]) {
      out_.acceptance[c] = ChartAcceptance::degenerate;
      return;
    }
    auto accept = [&](ChartAcceptance why) {
      out_.largestStretch = std::max(out_.largestStretch, f.stretch);
      out_.chartStretch[c] = f.stretch;
      out_.acceptance[c] = why;
    };
    if (f.fitsFlat) {
      accept(ChartAcceptance::withinLimit);
      return;
    }
    if (tris.size() < 2) {
      accept(ChartAcceptance::singleTriangle);
      return;
    }
    if (chartCount_ >= static_cast<int32_t>(model_.triangles.size())) {
      accept(ChartAcceptance::chartLimit);
      return;
    }
    const size_t ones = splitAtMedian(tris);
    // The median cannot cut it. Stretch alone is then accepted; an overlap (the only reason a
    // chart within the limit gets here) still comes apart, into pieces of one triangle.
    const bool singles = ones == 0 || ones == tris.size();
    if (singles && f.stretch > stretchLimit_ && !layoutOverlaps(tris, out_.layout.corner, weld_.eps)) {
      accept(ChartAcceptance::uncuttable);
      return;
    }
    cutIntoParts(c, singles);
  }

  // Puts each triangle of the chart on side 0 or 1 of the median of its centroids along the
  // longer extent of the flattening; returns how many are on side 1.
  size_t splitAtMedian(const std::vector<int32_t>& tris) {
    centroidU_.resize(tris.size());
    centroidV_.resize(tris.size());
    for (size_t i = 0; i < tris.size(); ++i) {
      const Vec2* q = &out_.layout.corner[3 * static_cast<size_t>(tris[i])];
      centroidU_[i] = (q[0].x + q[1].x + q[2].x) / 3;
      centroidV_[i] = (q[0].y + q[1].y + q[2].y) / 3;
    }
    auto extent = [](const std::vector<double>& values) {
      const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
      return *hi - *lo;
    };
    const std::vector<double>& coordinate = extent(centroidU_) >= extent(centroidV_) ? centroidU_ : centroidV_;
    sorted_.assign(coordinate.begin(), coordinate.end());
    // NaN (only from broken input) sorts last, so the order stays strict and the median
    // defined; such a triangle lands on side 0.
    const auto median = sorted_.begin() + static_cast<std::ptrdiff_t>(sorted_.size() / 2);
    std::nth_element(sorted_.begin(), median, sorted_.end(),
                     [](double a, double b) { return a < b || (b != b && a == a); });
    size_t ones = 0;
    for (size_t i = 0; i < tris.size(); ++i) {
      side_[tris[i]] = coordinate[i] >= *median;
      ones += side_[tris[i]];
    }
    return ones;
  }

  // Splits chart c into connected parts, each on one side (or into single triangles); the first
  // part keeps the number c, the others are new charts. All of them join the queue.
  void cutIntoParts(int32_t c, bool singles) {
    ++cutCount_;
    members_.assign(chartTriangles_[c].begin(), chartTriangles_[c].end());  // replaced below
    bool first = true;
    for (int32_t s : members_) {
      if (cutStamp_[s] == cutCount_) continue;
      const int32_t id = first ? c : chartCount_++;
      first = false;
      cutStamp_[s] = cutCount_;
      part_.assign(1, s);
      for (size_t i = 0; !singles && i < part_.size(); ++i) {
        const int32_t t = part_[i];
        forEdgeNeighbours(weld_, t, [&](int32_t n) {
          if (chartOf_[n] != c || side_[n] != side_[t] || weld_.degenerate[n] || cutStamp_[n] == cutCount_)
            return;
          cutStamp_[n] = cutCount_;
          part_.push_back(n);
        });
      }
      std::sort(part_.begin(), part_.end());
      if (id == c) {
        chartTriangles_[c] = part_;
      } else {
        for (int32_t t : part_) chartOf_[t] = id;
        chartTriangles_.push_back(part_);
        out_.chartStretch.push_back(1);
        out_.acceptance.push_back(ChartAcceptance::withinLimit);
      }
      work_.push_back(id);
      flattened_.emplace_back();
    }
  }

  const Model& model_;
  const WeldData& weld_;
  const double stretchLimit_;
  std::vector<int32_t>& chartOf_;
  std::vector<std::vector<int32_t>> chartTriangles_;
  int32_t chartCount_;
  SmoothLayout& out_;
  Progress* progress_;  // null: nobody watches
  std::vector<uint8_t> side_;
  std::vector<int32_t> cutStamp_;
  int32_t cutCount_ = 0;
  std::vector<double> centroidU_, centroidV_, sorted_;
  std::vector<int32_t> members_, part_;

  // Shared by the two threads under mutex_: the queue, the charts' triangles and what the
  // flattening of each entry found.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int32_t> work_;           // the queue of charts to flatten
  std::vector<Flattening> flattened_;   // per entry of the queue
  size_t claimed_ = 0;                  // entries taken by a thread so far
  bool finished_ = false;               // the decisions are done or were stopped
  std::exception_ptr failure_;
  FlattenLane lanes_[2];
  SecondThread second_;
};

}  // namespace

void layDegenerateTriangle(const WeldData& weld, int32_t t, Vec2 out[3]) {
  laySeedTriangle(weld, t, out);
}

double triangleStretch(const Model& model, int32_t t, const Vec2 corner[3]) {
  return stretchOf(frameOf(model, t), corner);
}

double lscmFlatten(const Model& model, const WeldData& weld, std::span<const int32_t> chart,
                   Vec3 normalSum, std::vector<int32_t>& localIndex, std::vector<Vec2>& corner,
                   LscmWorkspace& w, const Progress* progress) {
  // Variables: one per welded position, so the chart is one sheet even across UV seams.
  w.position.clear();
  w.vertex.clear();
  for (int32_t t : chart)
    for (int k = 0; k < 3; ++k) {
      const int32_t v = model.triangles[t].corner(k);
      const int32_t pos = weld.positionId[v];
      if (localIndex[pos] >= 0) continue;
      localIndex[pos] = static_cast<int32_t>(w.position.size());
      w.position.push_back(pos);
      w.vertex.push_back(v);
    }
  const size_t n = w.position.size();

  // Projection frame: A and B span the plane across the chart's mean normal.
  const double normalLength = length(normalSum);
  const Vec3 N = normalLength < 1e-12 ? Vec3{0, 0, 1} : (1 / normalLength) * normalSum;
  Vec3 A = std::fabs(N.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  A = A - dot(A, N) * N;
  A = (1 / length(A)) * A;
  const Vec3 B = cross(N, A);

  w.z.resize(2 * n);
  for (size_t i = 0; i < n; ++i) {
    const Vec3 P = positionOf(model.vertices[w.vertex[i]]);
    w.z[i] = singlePrecision(dot(P, A));
    w.z[n + i] = singlePrecision(dot(P, B));
  }

  // Pins: the variable farthest from variable 0, then the one farthest from that.
  auto farthestFrom = [&](size_t from) {
    size_t best = 0;
    double bestDistance = -1;
    for (size_t i = 0; i < n; ++i) {
      const double dx = w.z[i] - w.z[from], dy = w.z[n + i] - w.z[n + from];
      const double d = dx * dx + dy * dy;
      if (d > bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    return best;
  };
  const size_t i0 = farthestFrom(0), i1 = farthestFrom(i0);
  const int32_t pinned[4] = {static_cast<int32_t>(i0), static_cast<int32_t>(n + i0),
                             static_cast<int32_t>(i1), static_cast<int32_t>(n + i1)};

  // Two rows per measurable triangle; the rows of too-thin triangles are all zero and left out.
  w.column.resize(2 * chart.size() * kLscmRowEntries);
  w.value.resize(2 * chart.size() * kLscmRowEntries);
  w.rowCorner.resize(3 * chart.size());
  w.rowCoefficient.resize(4 * chart.size());
  size_t rows = 0;
  double area3d = 0;
  for (int32_t t : chart) {
    const TriangleFrame f = frameOf(model, t);
    area3d += f.doubledArea / 2;
    if (!f.measurable) continue;
    const double s = std::sqrt(f.L * f.b);
    const int32_t l0 = localIndex[weld.cornerPosition(model, 3 * t)];
    const int32_t l1 = localIndex[weld.cornerPosition(model, 3 * t + 1)];
    const int32_t l2 = localIndex[weld.cornerPosition(model, 3 * t + 2)];
    const auto N32 = static_cast<int32_t>(n);
    const int32_t colsX[kLscmRowEntries] = {l0, N32 + l0, l1, N32 + l1, l2};
    const double valsX[kLscmRowEntries] = {(f.a - f.L) / s, -f.b / s, -f.a / s, f.b / s, f.L / s};
    const int32_t colsY[kLscmRowEntries] = {l0, N32 + l0, l1, N32 + l1, N32 + l2};
    const double valsY[kLscmRowEntries] = {f.b / s, (f.a - f.L) / s, -f.b / s, -f.a / s, f.L / s};
    const int32_t corners[3] = {l0, l1, l2};
    const double coefficients[4] = {(f.a - f.L) / s, f.b / s, f.a / s, f.L / s};
    std::copy_n(corners, 3, &w.rowCorner[rows / 2 * 3]);
    std::copy_n(coefficients, 4, &w.rowCoefficient[rows / 2 * 4]);
    std::copy_n(colsX, kLscmRowEntries, &w.column[rows * kLscmRowEntries]);
    std::copy_n(valsX, kLscmRowEntries, &w.value[rows * kLscmRowEntries]);
    ++rows;
    std::copy_n(colsY, kLscmRowEntries, &w.column[rows * kLscmRowEntries]);
    std::copy_n(valsY, kLscmRowEntries, &w.value[rows * kLscmRowEntries]);
    ++rows;
  }

  // Conjugate gradients on the normal equations MᵀM z = 0 with the pins held, from the
  // projection. The stopping rules decide how far an ill-conditioned chart relaxes, so they
  // shape the result and are kept as they are.
  w.r.resize(rows);
  w.q.resize(rows);
  w.g.resize(2 * n);
  w.p.resize(2 * n);
  transposeRows(w, rows, 2 * n, pinned);
  multiply(w, rows, w.z, w.r);
  for (size_t row = 0; row < rows; ++row) w.r[row] = -w.r[row];
  double gamma = multiplyTransposed(w, w.r, w.g);
  const double gamma0 = gamma;
  std::copy(w.g.begin(), w.g.end(), w.p.begin());
  const size_t maxSteps = std::min<size_t>(4 * n + 200, 5000);
  for (size_t step = 0; step < maxSteps; ++step) {
    // A NaN (only from broken input) would otherwise run every remaining step for nothing.
    if (gamma <= gamma0 * 1e-16 || gamma < 1e-30 || gamma != gamma) break;
    // A large chart's solve takes long enough that a stop request must not wait for its end.
    if (step % 64 == 63 && progress && progress->cancelled()) throw WorkCancelled{};
    const double qq = multiply(w, rows, w.p, w.q);
    if (qq < 1e-300) break;
    const double alpha = gamma / qq;
    for (size_t row = 0; row < rows; ++row) w.r[row] -= alpha * w.q[row];
    const double next = multiplyTransposed(w, w.r, w.g);
    const double beta = next / gamma;
    // z moves along the old direction before it is replaced, in one pass over both.
    for (size_t i = 0; i < 2 * n; ++i) {
      w.z[i] += alpha * w.p[i];
      w.p[i] = w.g[i] + beta * w.p[i];
    }
    gamma = next;
  }

  // Counter-clockwise overall and the same area as in 3D.
  auto solved = [&](int32_t t, int k) {
    const int32_t l = localIndex[weld.cornerPosition(model, 3 * t + k)];
    return Vec2{w.z[l], w.z[n + l]};
  };
  double uvArea = 0;
  for (int32_t t : chart) uvArea += orient2d(solved(t, 0), solved(t, 1), solved(t, 2)) / 2;
  double flip = 1;
  if (uvArea < 0) {
    flip = -1;
    uvArea = -uvArea;
  }
  const double k = uvArea > 1e-30 ? std::sqrt(area3d / uvArea) : 1;

  double stretch = 1;
  for (int32_t t : chart) {
    Vec2* c = &corner[3 * static_cast<size_t>(t)];
    for (int j = 0; j < 3; ++j) {
      const Vec2 q = solved(t, j);
      c[j] = {flip * q.x * k, q.y * k};
    }
    stretch = std::max(stretch, triangleStretch(model, t, c));
  }
  for (int32_t pos : w.position) localIndex[pos] = -1;
  return stretch;
}

SmoothLayout segmentSmooth(const Model& model, const WeldData& weld, double maxAngleDegrees,
                           double stretchLimit, Progress* progress, size_t twoThreadTriangles) {
  Charts charts = growCharts(model, weld, std::cos(maxAngleDegrees * M_PI / 180.0));
  absorbSmallCharts(model, weld, charts);
  SmoothLayout out;
  out.layout.pieceCount =
      ChartFlattener(model, weld, stretchLimit, charts, renumberCharts(charts), out, progress)
          .run(model.triangles.size() >= twoThreadTriangles);
  for (size_t t = 0; t < model.triangles.size(); ++t) {
    if (weld.degenerate[t]) continue;
    const Vec2* q = &out.layout.corner[3 * t];
    if (orient2d(q[0], q[1], q[2]) < 0) ++out.foldedCount;
  }
  out.layout.pieceOf = std::move(charts.chartOf);
  return out;
}
