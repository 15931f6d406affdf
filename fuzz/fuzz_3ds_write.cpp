// Builds a small model from the input, writes it with our .3ds writer and reads it back with
// our reader: what the writer accepts must come back as the same mesh, UVs and Surfaces, less
// the triangles without area and the vertices only they use.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "export/write3ds.h"
#include "model/readers.h"
#include "unwrap/surfaces.h"
#include "unwrap/weld.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// Floats come back with the same bits; a NaN only needs to stay a NaN.
bool sameFloat(float a, float b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  uint32_t x, y;
  std::memcpy(&x, &a, 4);
  std::memcpy(&y, &b, 4);
  return x == y;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Model model;
  model.layerNames = {"Layer"};
  const int surfaces = in.ConsumeIntegralInRange(0, 6);
  for (int k = 0; k < surfaces; ++k) model.materialNames.push_back(in.ConsumeRandomLengthString(24));
  const int vertices = in.ConsumeIntegralInRange(0, 200);
  for (int i = 0; i < vertices; ++i) {
    Vertex v;
    for (float* f : {&v.x, &v.y, &v.z, &v.u, &v.v}) {
      const uint32_t bits = in.ConsumeIntegral<uint32_t>();
      std::memcpy(f, &bits, 4);
    }
    model.vertices.push_back(v);
  }
  // Now and then a corner outside the vertices, which the writer must refuse.
  const bool allowBad = in.ConsumeBool();
  const int triangles = in.ConsumeIntegralInRange(0, 200);
  for (int t = 0; t < triangles; ++t) {
    Triangle tri;
    for (int32_t* c : {&tri.cornerA, &tri.cornerB, &tri.cornerC})
      *c = allowBad ? in.ConsumeIntegralInRange(-1, vertices)
                    : (vertices == 0 ? 0 : in.ConsumeIntegralInRange(0, vertices - 1));
    tri.material = in.ConsumeIntegralInRange(-1, surfaces);  // -1 and `surfaces`: no Surface
    model.triangles.push_back(tri);
  }

  bool valid = true;
  for (const Triangle& t : model.triangles)
    for (int32_t c : {t.cornerA, t.cornerB, t.cornerC}) valid &= c >= 0 && c < vertices;
  const Encoded3ds file = encode3ds(model);
  check(file.ok == valid);
  if (!file.ok) {
    check(file.bytes.empty() && !file.message.empty());
    return 0;
  }
  check(file.bytes.size() >= 6 &&
        (file.bytes[2] | file.bytes[3] << 8 | file.bytes[4] << 16 |
         static_cast<size_t>(file.bytes[5]) << 24) == file.bytes.size());

  // What the file should hold: the triangles with area, and the vertices they or nothing use.
  std::vector<int32_t> kept, fileIndex(model.vertices.size(), -1);
  std::vector<bool> onlyWithoutArea(model.vertices.size(), false), written(model.vertices.size());
  for (size_t t = 0; t < model.triangles.size(); ++t) {
    const Triangle& tri = model.triangles[t];
    const bool withoutArea = cornersCoincide(model, tri);
    if (!withoutArea) kept.push_back(static_cast<int32_t>(t));
    for (int32_t c : {tri.cornerA, tri.cornerB, tri.cornerC}) {
      written[c] = written[c] || !withoutArea;
      onlyWithoutArea[c] = !written[c];
    }
  }
  std::vector<int32_t> keptVertices;
  for (size_t v = 0; v < model.vertices.size(); ++v) {
    if (onlyWithoutArea[v]) continue;
    fileIndex[v] = static_cast<int32_t>(keptVertices.size());
    keptVertices.push_back(static_cast<int32_t>(v));
  }
  check(file.leftOut == model.triangleCount() - static_cast<int64_t>(kept.size()));

  Model back;
  const ReadResult read = parse3ds(file.bytes, "fuzz.3ds", back);
  if (kept.empty()) {
    check(!read.ok);
    return 0;
  }
  check(read.ok);
  check(back.zUp && back.hasUVs);
  check(back.layerNames == std::vector<std::string>{"Model"});
  check(back.vertexCount() == static_cast<int64_t>(keptVertices.size()));
  for (size_t i = 0; i < keptVertices.size(); ++i) {
    const Vertex &a = model.vertices[keptVertices[i]], &b = back.vertices[i];
    check(sameFloat(a.x, b.x) && sameFloat(a.y, b.y) && sameFloat(a.z, b.z) &&
          sameFloat(a.u, b.u) && sameFloat(a.v, b.v));
  }
  // Surface names: at most 15 bytes, no two alike ignoring case, and a name that already was
  // such a name is kept.
  std::vector<std::string> cut;
  for (const std::string& name : model.materialNames) cut.push_back(name.substr(0, name.find('\0')));
  const std::vector<std::string> names = distinctNames(cut, 15);
  for (size_t k = 0; k < names.size(); ++k) {
    check(names[k].size() <= 15);
    for (size_t j = 0; j < k; ++j) check(lower(names[j]) != lower(names[k]));
  }
  check(back.triangleCount() == static_cast<int64_t>(kept.size()));
  for (size_t i = 0; i < kept.size(); ++i) {
    const Triangle &a = model.triangles[kept[i]], &b = back.triangles[i];
    check(fileIndex[a.cornerA] == b.cornerA && fileIndex[a.cornerB] == b.cornerB &&
          fileIndex[a.cornerC] == b.cornerC);
    check(b.layer == 0 && b.material >= 0 && b.material < back.materialCount());
    const bool onSurface = a.material >= 0 && a.material < surfaces;
    const std::string expected = onSurface ? names[a.material] : "Default";
    check(back.materialNames[b.material] == expected);
  }
  return 0;
}
