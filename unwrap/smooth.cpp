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

// z = M x over the compressed rows.
void multiply(const LscmWorkspace& w, size_t rows, const std::vector<double>& x,
              std::vector<double>& out) {
  for (size_t row = 0; row < rows; ++row) {
    const int32_t* col = &w.column[row * kLscmRowEntries];
    const double* val = &w.value[row * kLscmRowEntries];
    double s = 0;
    for (int e = 0; e < kLscmRowEntries; ++e) s += val[e] * x[col[e]];
    out[row] = s;
  }
}

// out = Mᵀ y with the pinned entries set to 0; returns |out|².
double multiplyTransposed(const LscmWorkspace& w, size_t rows, const std::vector<double>& y,
                          std::vector<double>& out, const int32_t pinned[4]) {
  std::fill(out.begin(), out.end(), 0.0);
  for (size_t row = 0; row < rows; ++row) {
    const int32_t* col = &w.column[row * kLscmRowEntries];
    const double* val = &w.value[row * kLscmRowEntries];
    const double yr = y[row];
    for (int e = 0; e < kLscmRowEntries; ++e) out[col[e]] += val[e] * yr;
  }
  for (int i = 0; i < 4; ++i) out[pinned[i]] = 0;
  double sum = 0;
  for (double v : out) sum += v * v;
  return sum;
}

}  // namespace

void layDegenerateTriangle(const WeldData& weld, int32_t t, Vec2 out[3]) {
  laySeedTriangle(weld, t, out);
}

double triangleStretch(const Model& model, int32_t t, const Vec2 corner[3]) {
  return stretchOf(frameOf(model, t), corner);
}

double lscmFlatten(const Model& model, const WeldData& weld, std::span<const int32_t> chart,
                   Vec3 normalSum, std::vector<int32_t>& localIndex, std::vector<Vec2>& corner,
                   LscmWorkspace& w) {
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
  multiply(w, rows, w.z, w.r);
  for (size_t row = 0; row < rows; ++row) w.r[row] = -w.r[row];
  double gamma = multiplyTransposed(w, rows, w.r, w.g, pinned);
  const double gamma0 = gamma;
  std::copy(w.g.begin(), w.g.end(), w.p.begin());
  const size_t maxSteps = std::min<size_t>(4 * n + 200, 5000);
  for (size_t step = 0; step < maxSteps; ++step) {
    // A NaN (only from broken input) would otherwise run every remaining step for nothing.
    if (gamma <= gamma0 * 1e-16 || gamma < 1e-30 || gamma != gamma) break;
    multiply(w, rows, w.p, w.q);
    double qq = 0;
    for (size_t row = 0; row < rows; ++row) qq += w.q[row] * w.q[row];
    if (qq < 1e-300) break;
    const double alpha = gamma / qq;
    for (size_t i = 0; i < 2 * n; ++i) w.z[i] += alpha * w.p[i];
    for (size_t row = 0; row < rows; ++row) w.r[row] -= alpha * w.q[row];
    const double next = multiplyTransposed(w, rows, w.r, w.g, pinned);
    const double beta = next / gamma;
    for (size_t i = 0; i < 2 * n; ++i) w.p[i] = w.g[i] + beta * w.p[i];
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
                           double stretchLimit) {
  const auto T = static_cast<int32_t>(model.triangles.size());
  const double cosLimit = std::cos(maxAngleDegrees * M_PI / 180.0);
  auto material = [&](int32_t t) { return model.triangles[t].material; };
  auto weighted = [&](int32_t t) { return weld.area[t] * weld.normal[t]; };
  // Calls visit(n) for every triangle n across the edges of t (t itself included).
  auto forNeighbours = [&](int32_t t, auto visit) {
    for (int k = 0; k < 3; ++k)
      for (int32_t nc = weld.edgeHead[weld.edgeId[3 * t + k]]; nc != -1; nc = weld.edgeNext[nc])
        visit(nc / 3);
  };

  // Charts by normal cones, grown from the largest triangles.
  std::vector<int32_t> chartOf(T, -1);
  std::vector<Vec3> chartSum;
  std::vector<int32_t> chartSize;
  std::vector<int32_t> queue;
  for (int32_t g : weld.areaOrder) {
    if (chartOf[g] != -1) continue;
    const auto c = static_cast<int32_t>(chartSum.size());
    chartOf[g] = c;
    chartSum.push_back({});
    chartSize.push_back(1);
    if (weld.degenerate[g]) continue;
    chartSum[c] = weighted(g);
    queue.assign(1, g);
    for (size_t head = 0; head < queue.size(); ++head) {
      const int32_t t = queue[head];
      forNeighbours(t, [&](int32_t n) {
        if (chartOf[n] != -1 || weld.degenerate[n] || material(n) != material(t) ||
            dot(weld.normal[t], weld.normal[n]) < cosLimit)
          return;
        const double S = length(chartSum[c]);
        if (!(S > 0) || dot(weld.normal[n], (1 / S) * chartSum[c]) < cosLimit) return;
        chartOf[n] = c;
        ++chartSize[c];
        chartSum[c] = chartSum[c] + weighted(n);
        queue.push_back(n);
      });
    }
  }

  // Charts of one or two triangles join the neighbouring chart whose mean normal is closest,
  // if it lies within 85 degrees.
  const double cos85 = std::cos(85 * M_PI / 180.0);
  for (int32_t t = 0; t < T; ++t) {
    if (weld.degenerate[t] || chartSize[chartOf[t]] >= 3) continue;
    int32_t best = -1;
    double bestValue = 0;
    forNeighbours(t, [&](int32_t n) {
      const int32_t c = chartOf[n];
      if (c == chartOf[t] || chartSize[c] < 3 || material(n) != material(t)) return;
      const double S = length(chartSum[c]);
      if (!(S > 0)) return;
      const double value = dot(weld.normal[t], (1 / S) * chartSum[c]);
      if (value > cos85 && (best < 0 || value > bestValue)) {
        best = c;
        bestValue = value;
      }
    });
    if (best < 0) continue;
    --chartSize[chartOf[t]];
    ++chartSize[best];
    chartSum[best] = chartSum[best] + weighted(t);
    chartOf[t] = best;
  }

  // Drop the emptied charts; the rest keep their order.
  std::vector<int32_t> renumber(chartSize.size(), -1);
  int32_t chartCount = 0;
  for (size_t c = 0; c < chartSize.size(); ++c)
    if (chartSize[c] > 0) renumber[c] = chartCount++;
  std::vector<std::vector<int32_t>> chartTriangles(chartCount);
  for (int32_t t = 0; t < T; ++t) {
    chartOf[t] = renumber[chartOf[t]];
    chartTriangles[chartOf[t]].push_back(t);
  }

  SmoothLayout out;
  out.layout.corner.assign(3 * static_cast<size_t>(T), Vec2{});
  out.chartStretch.assign(chartCount, 1);
  out.acceptance.assign(chartCount, ChartAcceptance::withinLimit);
  const int32_t positions =
      weld.positionId.empty() ? 0 : *std::max_element(weld.positionId.begin(), weld.positionId.end()) + 1;
  std::vector<int32_t> localIndex(positions, -1);
  std::vector<uint8_t> side(T, 0);
  std::vector<int32_t> cutStamp(T, 0);
  int32_t cutCount = 0;
  LscmWorkspace workspace;
  std::vector<double> centroidU, centroidV, sorted;
  std::vector<int32_t> members, part;

  std::vector<int32_t> work(chartCount);
  for (int32_t c = 0; c < chartCount; ++c) work[c] = c;
  for (size_t head = 0; head < work.size(); ++head) {
    const int32_t c = work[head];
    if (chartTriangles[c].empty()) continue;
    const std::vector<int32_t>& tris = chartTriangles[c];
    if (tris.size() == 1 && weld.degenerate[tris[0]]) {
      layDegenerateTriangle(weld, tris[0], &out.layout.corner[3 * static_cast<size_t>(tris[0])]);
      out.acceptance[c] = ChartAcceptance::degenerate;
      continue;
    }
    Vec3 sum;
    for (int32_t t : tris) sum = sum + weighted(t);
    const double stretch =
        lscmFlatten(model, weld, tris, sum, localIndex, out.layout.corner, workspace);

    auto accept = [&](ChartAcceptance why) {
      out.largestStretch = std::max(out.largestStretch, stretch);
      out.chartStretch[c] = stretch;
      out.acceptance[c] = why;
    };
    // A flattening that lies over itself (its border crossing itself, with no triangle folded)
    // would paint one texture pixel onto two places: it is cut like a stretched one.
    auto overlapsItself = [&] { return layoutOverlaps(tris, out.layout.corner, weld.eps); };
    if (stretch <= stretchLimit && !overlapsItself()) {
      accept(ChartAcceptance::withinLimit);
      continue;
    }
    if (tris.size() < 2) {
      accept(ChartAcceptance::singleTriangle);
      continue;
    }
    if (chartCount >= T) {
      accept(ChartAcceptance::chartLimit);
      continue;
    }

    // Cut across the longer extent of the triangles' centroids, at their median.
    centroidU.resize(tris.size());
    centroidV.resize(tris.size());
    for (size_t i = 0; i < tris.size(); ++i) {
      const Vec2* q = &out.layout.corner[3 * static_cast<size_t>(tris[i])];
      centroidU[i] = (q[0].x + q[1].x + q[2].x) / 3;
      centroidV[i] = (q[0].y + q[1].y + q[2].y) / 3;
    }
    auto extent = [](const std::vector<double>& values) {
      const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
      return *hi - *lo;
    };
    const std::vector<double>& coordinate =
        extent(centroidU) >= extent(centroidV) ? centroidU : centroidV;
    sorted.assign(coordinate.begin(), coordinate.end());
    // NaN (only from broken input) sorts last, so the order stays strict and the median
    // defined; such a triangle lands on side 0.
    const auto median = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), median, sorted.end(),
                     [](double a, double b) { return a < b || (b != b && a == a); });
    size_t ones = 0;
    for (size_t i = 0; i < tris.size(); ++i) {
      side[tris[i]] = coordinate[i] >= *median;
      ones += side[tris[i]];
    }
    // The median cannot cut it. Stretch alone is then accepted; an overlap (the only reason a
    // chart within the limit gets here) still comes apart, into pieces of one triangle.
    const bool singles = ones == 0 || ones == tris.size();
    if (singles && stretch > stretchLimit && !overlapsItself()) {
      accept(ChartAcceptance::uncuttable);
      continue;
    }

    // Split into connected parts, each on one side; the first part keeps the number c.
    ++cutCount;
    members.assign(tris.begin(), tris.end());  // tris is replaced below
    bool first = true;
    for (int32_t s : members) {
      if (cutStamp[s] == cutCount) continue;
      const int32_t id = first ? c : chartCount++;
      first = false;
      cutStamp[s] = cutCount;
      part.assign(1, s);
      for (size_t i = 0; !singles && i < part.size(); ++i) {
        const int32_t t = part[i];
        forNeighbours(t, [&](int32_t n) {
          if (chartOf[n] != c || side[n] != side[t] || weld.degenerate[n] || cutStamp[n] == cutCount)
            return;
          cutStamp[n] = cutCount;
          part.push_back(n);
        });
      }
      std::sort(part.begin(), part.end());
      if (id == c) {
        chartTriangles[c] = part;
      } else {
        for (int32_t t : part) chartOf[t] = id;
        chartTriangles.push_back(part);
        out.chartStretch.push_back(1);
        out.acceptance.push_back(ChartAcceptance::withinLimit);
      }
      work.push_back(id);
    }
  }

  for (int32_t t = 0; t < T; ++t) {
    if (weld.degenerate[t]) continue;
    const Vec2* q = &out.layout.corner[3 * static_cast<size_t>(t)];
    if (orient2d(q[0], q[1], q[2]) < 0) ++out.foldedCount;
  }
  out.layout.pieceOf = std::move(chartOf);
  out.layout.pieceCount = chartCount;
  return out;
}
