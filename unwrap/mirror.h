// The mirror: a symmetric model is unwrapped one half only, and every triangle of the other
// half takes the UVs of its mirror image, so both halves share the same texture area (paint
// on one side shows mirrored on the other).
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"
#include "unwrap/unwrap.h"

// A coordinate on the mirror's tolerance grid: nearest(c / tol), halves away from zero;
// NaN gives 0 and huge values are clamped.
int64_t mirrorKeyCoordinate(double c, double tol);

struct MirrorOutcome {
  int64_t pieceCount = 0;     // pieces of the last unwrap of the half model
  int64_t mirroredCount = 0;  // triangles that take their UVs from a mirror partner
  int passes = 0;             // unwraps of the half model that searched for partners
  int64_t halfTriangles = 0;  // triangles of the last unwrapped half model
  int64_t lateTriangles = 0;  // of those, the ones still without a partner after the last pass
  std::vector<uint8_t> mirrored;  // per triangle: takes its UVs from its mirror partner
};

// Unwraps the half of the model on the positive side of settings.mirrorAxis (plus a band of
// the tolerance around the plane) with unwrapPieces and gives each triangle of the negative
// side whose reflected corners lie together in that layout (in one piece, on one side of every
// cut) the UVs found there; the mirrored corners keep their own positions. Triangles that find
// no partner are unwrapped with the half in the next pass, at most maxPasses passes. Triangles
// that still fail after the last pass are flattened on their own and packed with the last
// pass's pieces, which keep their shapes, so the partners already found stay valid and every
// triangle ends with UVs. Without a mirror axis the whole model is unwrapped.
// Rewrites the model's vertices and corner indices like unwrapPieces (triangle count, order,
// materials and layers unchanged) and fills `stats`, including mirroredCount. progress as
// for unwrapPieces.
// The passes the main window's unwrap allows.
constexpr int kMirrorMaxPasses = 6;
MirrorOutcome mirrorUnwrap(Model& model, const UnwrapSettings& settings, UnwrapStats& stats,
                           int maxPasses = kMirrorMaxPasses, Progress* progress = nullptr);
