// Surfaces: the split of the unwrapped model into materials inside which every welded
// position has exactly one UV, so every seam of the layout lies on a Surface border.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

// The longest material name a .3ds holds.
constexpr size_t kMaxSurfaceName = 15;

// Rewrites every triangle's material to its Surface and materialNames to the Surface names
// ("<first 11 characters of the material>_001", ...), which are at most kMaxSurfaceName
// characters and unique ignoring case (importers merge materials of one name): a long
// number shortens the stem, and a material whose names an earlier one holds numbers its
// stem ("LongMateri2_001"). With mergeSurfaces, groups of one material share a Surface
// where no position gets two UVs. Triangles without area (cornersCoincide), which the export
// leaves out, take no part in that: they join the first Surface of their material. Returns
// the number of Surfaces; a model without triangles gives 0 and is left as it is.
int64_t buildSurfaces(Model& model, bool mergeSurfaces);

// Makes the layers the materials: names cleaned to letters, digits, "_" and "-" (a space
// becomes "_"), at most 11 characters, unique ignoring case; every triangle's material
// becomes its layer.
void layerSurfaceNames(Model& model);

// The names cut to maxLength characters and made unique ignoring case, in order: a name that
// an earlier result holds becomes its first maxLength - (digits of n) characters followed by
// n, for the smallest n from 2 that is free ("Arm", "arm" give "Arm", "arm2").
std::vector<std::string> distinctNames(const std::vector<std::string>& names, size_t maxLength);
