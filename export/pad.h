// The padded copy of the Texture that the export writes: every pixel outside the layout's
// triangles takes colours grown outward from the painted islands, ring by ring, so that the
// game's filtering and mip-maps near seams blend only colours of the model.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/progress.h"

#include "model/model.h"

// One byte per pixel of a w x h texture, 1 where a triangle of the model covers the pixel by
// triangleCoverage, the fill tools' rule (corners at (u * w, (1 - v) * h)), all layers alike,
// in every copy of the texture its UVs reach (forEachUvTile), as painting and the game repeat
// the texture. Empty when w or h is below 1.
std::vector<uint8_t> layoutCoverage(const Model& model, int64_t w, int64_t h);

// Grows the covered pixels over the rest of the w x h image, in place, ring by ring:
// - the first ring is every uncovered pixel with a covered pixel among its eight neighbours;
//   each next ring is the uncovered, not yet queued four-neighbours of the last ring;
// - a ring pixel gets, per channel, (sum + count / 2) / count over its covered
//   eight-neighbours, with alpha 0; the whole ring is computed before any of it counts as
//   covered, so the order inside a ring does not matter.
// Covered pixels keep their values. Each pixel joins one ring at most, so the work is linear
// in w * h. `covered` (w * h bytes) ends up 1 wherever a covered pixel could reach.
// Nothing happens when the sizes do not match w * h. progress hears of every ring (stage
// padding) and may stop the work there (WorkCancelled).
void padUncovered(std::span<uint32_t> pixels, std::span<uint8_t> covered, int64_t w, int64_t h,
                  Progress* progress = nullptr);

// The padded copy of w x h pixels (row 0 at the top): layoutCoverage, then padUncovered.
// Without a model, with w or h below 1, with nothing covered, or when pixels holds fewer than
// w * h values, the copy is returned unpadded.
std::vector<uint32_t> padTexture(const Model* model, std::span<const uint32_t> pixels, int64_t w,
                                 int64_t h, Progress* progress = nullptr);
