// The tight packer: slower than the standard ones, it places the pieces on a free-space bitmap
// of the texture at up to one cell per texel, so a piece may go into a hole another one left,
// and tries several orders and every turn of the pieces (quarter turns and steps between).
#pragma once

#include <cstdint>

#include "base/progress.h"
#include "unwrap/pack.h"

struct TightLayout {
  double scale = 0;         // texture pixels per model unit; 0 when not above the floor
  int64_t turnedCount = 0;  // pieces laid at another angle than orientPieces gave them
};

// Searches the largest scale above `floor` at which every piece fits with `margin` pixels
// between pieces and half of it at the border, to a relative step of half a texel of the
// longer texture side. When one is found the corners of turned pieces are turned inside new
// boxes and the boxes placed (turn 0); otherwise layout and pieces are left as they were. Pieces turn only when tightTurns is set.
// progress (may be null) hears of the packing stage going from 0.2 to 1 through the trials,
// at every piece tried, and may stop the search by throwing WorkCancelled.
TightLayout packTight(PieceLayout& layout, Pieces& pieces, int W, int H, int margin, double floor,
                      Progress* progress = nullptr);
