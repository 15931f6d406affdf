// The coverage rule applied to a triangle of a model through its UVs.
#pragma once

#include <cstdint>

#include "base/coverage.h"
#include "model/model.h"

// The coverage of triangle `triangle` of the model, its corners at x = u * width and
// y = (1 - v) * height. Covers nothing when the index or a corner index is outside the model.
TriangleCoverage triangleCoverage(const Model& model, int64_t triangle, int64_t width,
                                  int64_t height);
