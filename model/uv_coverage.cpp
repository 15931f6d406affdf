#include "model/uv_coverage.h"

TriangleCoverage triangleCoverage(const Model& model, int64_t triangle, int64_t width,
                                  int64_t height) {
  if (triangle < 0 || triangle >= model.triangleCount()) return {};
  const Triangle& t = model.triangles[static_cast<size_t>(triangle)];
  std::array<double, 3> x, y;
  for (int k = 0; k < 3; ++k) {
    const int32_t corner = t.corner(k);
    if (corner < 0 || corner >= model.vertexCount()) return {};
    const Vertex& v = model.vertices[static_cast<size_t>(corner)];
    x[k] = static_cast<double>(v.u) * static_cast<double>(width);
    y[k] = (1.0 - static_cast<double>(v.v)) * static_cast<double>(height);
  }
  return TriangleCoverage(x, y, width, height);
}
