#include "paint/layers.h"

#include <algorithm>

namespace {

template <class T>
void eraseAt(std::vector<T>& entries, int32_t index) {
  if (index >= 0 && static_cast<size_t>(index) < entries.size()) entries.erase(entries.begin() + index);
}

// Puts triangle t on `layer`; true when it was on another. Indices outside the model are skipped.
bool moveToLayer(Model& model, int32_t t, int32_t layer) {
  if (t < 0 || t >= model.triangleCount()) return false;
  int32_t& current = model.triangles[static_cast<size_t>(t)].layer;
  if (current == layer) return false;
  current = layer;
  return true;
}

}  // namespace

void fitLayerState(LayerState& layers, const Model& model) {
  resizeLayerState(layers, model.layerCount());
  layers.curLayer = std::clamp<int64_t>(layers.curLayer, 0, std::max<int64_t>(model.layerCount() - 1, 0));
}

std::vector<LayerRow> layerRows(const Model& model, const LayerState& layers) {
  std::vector<LayerRow> rows(model.layerNames.size());
  for (size_t k = 0; k < rows.size(); ++k) {
    rows[k].name = model.layerNames[k];
    if (k < layers.color.size()) rows[k].color = layers.color[k];
    if (k < layers.hidden.size()) rows[k].visible = !layers.hidden[k];
    if (k < layers.locked.size()) rows[k].locked = layers.locked[k] != 0;
  }
  return rows;
}

Image layerSwatch(uint32_t color) {
  Image swatch(kLayerSwatchSide, kLayerSwatchSide, rgba(0, 0, 0));
  for (int y = 1; y <= kLayerSwatchSide - 2; ++y)
    for (int x = 1; x <= kLayerSwatchSide - 2; ++x) swatch.at(x, y) = (color & 0xFFFFFFu) | rgba(0, 0, 0);
  return swatch;
}

bool assignLayer(Model& model, std::span<const int32_t> triangles, int32_t layer) {
  bool changed = false;
  for (const int32_t t : triangles) changed |= moveToLayer(model, t, layer);
  return changed;
}

int64_t trianglesOnLayer(const Model& model, int32_t layer) {
  return std::count_if(model.triangles.begin(), model.triangles.end(),
                       [layer](const Triangle& t) { return t.layer == layer; });
}

void removeLayer(Model& model, LayerState& layers, int32_t layer) {
  // The heir ends up as layer 0 whichever it was.
  for (Triangle& t : model.triangles) {
    if (t.layer == layer)
      t.layer = 0;
    else if (t.layer > layer)
      --t.layer;
  }
  eraseAt(model.layerNames, layer);
  eraseAt(layers.color, layer);
  eraseAt(layers.hidden, layer);
  eraseAt(layers.locked, layer);
  if (layers.curLayer >= model.layerCount()) layers.curLayer = model.layerCount() - 1;
}
