#include "render/pieces.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>


namespace {

int32_t findRoot(std::vector<int32_t>& parent, int32_t t) {
  while (parent[t] != t) {
    parent[t] = parent[parent[t]];  // path halving
    t = parent[t];
  }
  return t;
}

}  // namespace

PieceColouring buildPieceColouring(const Model& model) {
  const auto T = static_cast<int32_t>(model.triangles.size());
  const auto V = static_cast<int64_t>(model.vertices.size());
  const std::vector<int32_t> id = uvVertexIds(model);

  std::vector<int32_t> parent(T);
  std::iota(parent.begin(), parent.end(), 0);
  std::unordered_map<uint64_t, int32_t> firstOfEdge;  // edge key -> first triangle seen with it
  firstOfEdge.reserve(static_cast<size_t>(T) * 2);
  for (int32_t t = 0; t < T; ++t) {
    const Triangle& tri = model.triangles[t];
    const int32_t corner[3] = {tri.cornerA, tri.cornerB, tri.cornerC};
    if (std::any_of(corner, corner + 3, [&](int32_t c) { return c < 0 || c >= V; })) continue;
    for (int k = 0; k < 3; ++k) {
      const auto a = static_cast<uint32_t>(id[corner[k]]);
      const auto b = static_cast<uint32_t>(id[corner[(k + 1) % 3]]);
      const uint64_t key = static_cast<uint64_t>(std::min(a, b)) << 32 | std::max(a, b);
      const auto [it, isNew] = firstOfEdge.try_emplace(key, t);
      if (isNew) continue;
      const int32_t earlier = findRoot(parent, it->second), later = findRoot(parent, t);
      if (earlier != later) parent[later] = earlier;
    }
  }

  std::vector<int32_t> size(T, 0);
  for (int32_t t = 0; t < T; ++t) ++size[findRoot(parent, t)];
  std::vector<int32_t> roots;
  for (int32_t t = 0; t < T; ++t)
    if (size[t] > 0) roots.push_back(t);
  std::stable_sort(roots.begin(), roots.end(),
                   [&](int32_t a, int32_t b) { return size[a] > size[b]; });
  std::vector<int32_t> number(T, 0);
  for (size_t i = 0; i < roots.size(); ++i) number[roots[i]] = static_cast<int32_t>(i);

  PieceColouring result;
  result.pieceOfTriangle.resize(T);
  for (int32_t t = 0; t < T; ++t) result.pieceOfTriangle[t] = number[findRoot(parent, t)];
  result.pieceCount = static_cast<int64_t>(roots.size());
  return result;
}

const PieceColouring& PieceCache::colouring(const Model& model) {
  if (model_ != &model || triangleCount_ != model.triangleCount()) {
    colouring_ = buildPieceColouring(model);
    model_ = &model;
    triangleCount_ = model.triangleCount();
  }
  return colouring_;
}
