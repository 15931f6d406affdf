// Surfaces: the split of the unwrapped model into materials inside which every welded
// position has exactly one UV, so every seam of the layout lies on a Surface border.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"

// The UV key of a coordinate: nearest(c / 0.00001), halves away from zero.
int64_t uvKeyCoordinate(float c);

// Numbers every vertex by its position key and UV key together, in order of first appearance:
// vertices share a number exactly when they weld and carry the same UV.
std::vector<int32_t> uvVertexIds(const Model& model);

// Rewrites every triangle's material to its Surface and materialNames to the Surface names
// ("<first 11 characters of the material>_001", ...). With mergeSurfaces, groups of one
// material share a Surface where no position gets two UVs. Returns the number of Surfaces;
// a model without triangles gives 0 and is left as it is.
int64_t buildSurfaces(Model& model, bool mergeSurfaces);

// Makes the layers the materials: names cleaned to letters, digits, "_" and "-" (a space
// becomes "_"), at most 11 characters, unique ignoring case; every triangle's material
// becomes its layer.
void layerSurfaceNames(Model& model);
