// Layers: named groups of triangles (each triangle carries its layer's index). What the 3D
// window's layer list shows of them, and the edits that move triangles between layers or
// remove a layer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/image.h"
#include "model/model.h"

// Gives `layers` an entry for every layer of `model` (new ones visible, unlocked, in their
// default colours) and keeps the current layer within them.
void fitLayerState(LayerState& layers, const Model& model);

// One row of the layer list.
struct LayerRow {
  std::string name;
  uint32_t color = 0;  // RGB
  bool visible = true;
  bool locked = false;
  bool operator==(const LayerRow&) const = default;
};
// The rows for the layers of `model`, with the state `layers` holds for each (a layer beyond
// the state's entries shows as visible, unlocked and black).
std::vector<LayerRow> layerRows(const Model& model, const LayerState& layers);

// The list's 14 x 14 swatch: black, with a 12 x 12 square of `color` (RGB) at (1, 1). Opaque.
constexpr int kLayerSwatchSide = 14;
Image layerSwatch(uint32_t color);

// Puts every listed triangle on `layer`; indices outside the model are skipped. True when a
// triangle changed.
bool assignLayer(Model& model, std::span<const int32_t> triangles, int32_t layer);

int64_t trianglesOnLayer(const Model& model, int32_t layer);

// The layer that takes the triangles of a deleted `layer`: layer 1 for layer 0, else layer 0.
// Either way it is layer 0 once the deleted layer is gone.
inline int32_t deletedLayerHeir(int32_t layer) { return layer == 0 ? 1 : 0; }

// Removes `layer` (the model must have another): its triangles go to its heir, the triangles
// of later layers move down one index with their names and state, and the current layer stays
// within the layers left (deleting a middle layer selects the one that followed it).
void removeLayer(Model& model, LayerState& layers, int32_t layer);
