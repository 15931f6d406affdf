#include "model/model.h"

#include <array>
#include <cmath>
#include <unordered_map>

#include "base/geometry.h"

void modelClear(Model& model) { model = Model{}; }

int32_t modelAddVertex(Model& model, float x, float y, float z, float u, float v) {
  model.vertices.push_back(Vertex{x, y, z, u, v});
  return static_cast<int32_t>(model.vertices.size() - 1);
}

int32_t modelAddTriangle(Model& model, int32_t a, int32_t b, int32_t c, int32_t material,
                         int32_t layer) {
  model.triangles.push_back(Triangle{a, b, c, material, layer});
  return static_cast<int32_t>(model.triangles.size() - 1);
}

static int32_t nameIndex(std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<int32_t>(i);
  names.push_back(name);
  return static_cast<int32_t>(names.size() - 1);
}

int32_t modelMaterialIndex(Model& model, const std::string& name) {
  return nameIndex(model.materialNames, name);
}

int32_t modelLayerIndex(Model& model, const std::string& name) {
  return nameIndex(model.layerNames, name);
}

void modelEnsureLayer(Model& model) {
  if (!model.layerNames.empty()) return;
  model.layerNames.push_back("Default");
  for (Triangle& t : model.triangles) t.layer = 0;
}

void modelCopy(Model& dest, const Model& src) { dest = src; }

void modelToYUp(Model& model) {
  if (!model.zUp) return;
  for (Vertex& v : model.vertices) {
    const float oldY = v.y;
    v.y = v.z;
    v.z = -oldY;
  }
  model.zUp = false;
}

void modelStoreLayers(Model& source, const Model& work) {
  if (source.triangleCount() != work.triangleCount()) return;
  source.layerNames = work.layerNames;
  for (size_t i = 0; i < source.triangles.size(); ++i)
    source.triangles[i].layer = work.triangles[i].layer;
}

void resizeLayerState(LayerState& state, int64_t n) {
  if (n == 0) {
    state.color.clear();
    state.hidden.clear();
    state.locked.clear();
    return;
  }
  for (int64_t k = state.count(); k < n; ++k) {
    state.color.push_back(layerDefaultColor(k));
    state.hidden.push_back(0);
    state.locked.push_back(0);
  }
}

// Fully saturated, full-value colour of hue h (degrees), each channel scaled to
// round(c * scale + offset).
static uint32_t wheelColor(double hue, double scale, double offset) {
  const double h = hue / 60.0;
  const int sector = static_cast<int>(h);
  const double x = 1.0 - std::fabs(std::fmod(h, 2.0) - 1.0);
  double r = 0, g = 0, b = 0;
  switch (sector) {
    case 0: r = 1; g = x; break;
    case 1: r = x; g = 1; break;
    case 2: g = 1; b = x; break;
    case 3: g = x; b = 1; break;
    case 4: r = x; b = 1; break;
    default: r = 1; b = x; break;
  }
  auto channel = [&](double c) { return static_cast<uint32_t>(std::llround(c * scale + offset)); };
  return channel(r) | channel(g) << 8 | channel(b) << 16;
}

uint32_t surfaceColor(int64_t k) {
  return wheelColor(std::fmod(static_cast<double>(k) * 137.508, 360.0), 195, 60);
}

uint32_t layerDefaultColor(int64_t k) {
  return wheelColor(std::fmod(static_cast<double>(k) * 137.508 + 40.0, 360.0), 150, 90);
}

std::vector<int32_t> uvVertexIds(const Model& model) {
  std::vector<int32_t> ids(model.vertices.size());
  // The position key and the uvKey together.
  std::unordered_map<std::array<int64_t, 5>, int32_t, KeyHash> numbers;
  numbers.reserve(model.vertices.size());
  for (size_t i = 0; i < model.vertices.size(); ++i) {
    const Vertex& v = model.vertices[i];
    const GridKey3 position = positionKey(v.x, v.y, v.z);
    const std::array<int64_t, 5> key = {position[0], position[1], position[2], uvKeyCoordinate(v.u),
                                        uvKeyCoordinate(v.v)};
    ids[i] = numbers.try_emplace(key, static_cast<int32_t>(numbers.size())).first->second;
  }
  return ids;
}
