#include "unwrap/smooth.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

// out = M x over the compressed rows; returns |out|² summed in row order.
double multiply(const LscmWorkspace& w, size_t rows, const std::vector<double>& x,
                std::vector<double>& out) {
  double squares = 0;
  for (size_t row = 0; row < rows; ++row) {
    const int32_t* col = &w.column[row * kLscmRowEntries];
    const double* val = &w.value[row * kLscmRowEntries];
    double s = 0;
    for (int e = 0; e < kLscmRowEntries; ++e) s += val[e] * x[col[e]];
    out[row] = s;
    squares += s * s;
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

// Flattens the charts one by one, in a queue: a chart is kept when its stretch is within the
// limit and its flattening does not lie over itself, or when it cannot be cut; otherwise it
// is cut at its median into connected parts, which join the queue.
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
    const int32_t positions =
        weld.positionId.empty() ? 0 : *std::max_element(weld.positionId.begin(), weld.positionId.end()) + 1;
    localIndex_.assign(positions, -1);
    side_.assign(T, 0);
    cutStamp_.assign(T, 0);
  }

  // Returns the number of charts at the end.
  int32_t run() {
    std::vector<int32_t>& work = work_;
    work.resize(chartCount_);
    for (int32_t c = 0; c < chartCount_; ++c) work[c] = c;
    for (size_t head = 0; head < work.size(); ++head) {
      // Cuts add charts to the list, so the fraction is of the charts known by now.
      if (head % 64 == 0)
        checkpoint(progress_, ProgressStage::flattening, static_cast<double>(head) / work.size());
      flatten(work[head]);
    }
    return chartCount_;
  }

 private:
  void flatten(int32_t c) {
    if (chartTriangles_[c].empty()) return;
    const std::vector<int32_t>& tris = chartTriangles_[c];
    if (tris.size() == 1 && weld_.degenerate[tris[0]]) {
      layDegenerateTriangle(weld_, tris[0], &out_.layout.corner[3 * static_cast<size_t>(tris[0])]);
      out_.acceptance[c] = ChartAcceptance::degenerate;
      return;
    }
    Vec3 sum;
    for (int32_t t : tris) sum = sum + weightedNormal(weld_, t);
    const double stretch = lscmFlatten(model_, weld_, tris, sum, localIndex_, out_.layout.corner,
                                       workspace_, progress_);

    auto accept = [&](ChartAcceptance why) {
      out_.largestStretch = std::max(out_.largestStretch, stretch);
      out_.chartStretch[c] = stretch;
      out_.acceptance[c] = why;
    };
    // A flattening that lies over itself (its border crossing itself, with no triangle folded)
    // would paint one texture pixel onto two places: it is cut like a stretched one.
    auto overlapsItself = [&] { return layoutOverlaps(tris, out_.layout.corner, weld_.eps); };
    if (stretch <= stretchLimit_ && !overlapsItself()) {
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
    if (singles && stretch > stretchLimit_ && !overlapsItself()) {
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
  std::vector<int32_t> work_;  // the queue of charts to flatten
  std::vector<int32_t> localIndex_;
  std::vector<uint8_t> side_;
  std::vector<int32_t> cutStamp_;
  int32_t cutCount_ = 0;
  LscmWorkspace workspace_;
  std::vector<double> centroidU_, centroidV_, sorted_;
  std::vector<int32_t> members_, part_;
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
                           double stretchLimit, Progress* progress) {
  Charts charts = growCharts(model, weld, std::cos(maxAngleDegrees * M_PI / 180.0));
  absorbSmallCharts(model, weld, charts);
  SmoothLayout out;
  out.layout.pieceCount =
      ChartFlattener(model, weld, stretchLimit, charts, renumberCharts(charts), out, progress).run();
  for (size_t t = 0; t < model.triangles.size(); ++t) {
    if (weld.degenerate[t]) continue;
    const Vec2* q = &out.layout.corner[3 * t];
    if (orient2d(q[0], q[1], q[2]) < 0) ++out.foldedCount;
  }
  out.layout.pieceOf = std::move(charts.chartOf);
  return out;
}
