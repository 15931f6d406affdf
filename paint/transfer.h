// Moving a painting from one layout of a model to another, triangle by triangle: what was
// painted at a triangle's old texture place is drawn at its new place.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/progress.h"
#include "model/model.h"

// Paints `newPixels` (resized to newWidth x newHeight, RGB, row 0 at the top) from `oldPixels`
// (oldWidth x oldHeight) through the two layouts of the same model: triangle i of `newModel`
// takes the paint of triangle i of `oldModel` (unwrapping keeps the triangles' order).
// - A pixel whose centre lies inside a triangle (all barycentric weights >= 0) is sampled at
//   the same weights in the old triangle; a later triangle's inside overwrites an earlier one.
// - A pixel up to one pixel outside a triangle's edges (its fringe) is sampled at the nearest
//   point of the triangle, but only when no triangle has reached it yet.
// - Pixels no triangle reaches take the first old pixel; triangles with (almost) no area in
//   the new layout paint nothing.
// Sampling is bilinear with the centre of pixel (i, j) at (i + 0.5, j + 0.5), clamped to the
// old image, each channel rounded; the result is opaque RGB (top byte 0).
// Returns false, leaving `newPixels` untouched, when the two models' triangle counts differ,
// a side is below 1 or `oldPixels` holds fewer than oldWidth x oldHeight values.
// progress hears of the triangles done (stage carrying) and may stop the transfer
// (WorkCancelled, `newPixels` untouched).
bool transferPainting(const Model& oldModel, std::span<const uint32_t> oldPixels,
                      int64_t oldWidth, int64_t oldHeight, const Model& newModel,
                      std::vector<uint32_t>& newPixels, int64_t newWidth, int64_t newHeight,
                      Progress* progress = nullptr);
