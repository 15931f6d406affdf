// Exact ("hard-surface") segmentation: pieces grow from the largest free triangle across
// edges whose bend stays within the angle limit, unfolded without distortion.
#pragma once

#include <vector>

#include "unwrap/overlap.h"
#include "unwrap/weld.h"

struct PieceLayout {
  std::vector<int32_t> pieceOf;  // per triangle
  std::vector<Vec2> corner;      // per corner 3t + k, in the piece's plane, model units
  int64_t pieceCount = 0;
};

// Lays out a single triangle with corner 0 at the origin and corner 1 on the +x axis.
void laySeedTriangle(const WeldData& weld, int32_t t, Vec2 out[3]);

// gridCell is the cell size of the index that finds a candidate's laid-out neighbours; 0 picks
// one from the mean edge length. Any size gives the same pieces, only the speed differs.
PieceLayout segmentExact(const Model& model, const WeldData& weld, double maxAngleDegrees,
                         double gridCell = 0);
