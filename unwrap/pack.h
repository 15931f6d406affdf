// Orientation of the flattened pieces, packing into the texture and the UV write-out.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "base/second_thread.h"
#include "unwrap/exact.h"
#include "unwrap/unwrap.h"
#include "unwrap/weld.h"

struct PieceBox {
  double width = 0, height = 0;  // model units, after orientation
  double x = 0, y = 0;           // pixels: where the corner with the smallest u and v lands
  int turn = 0;                  // quarter turns applied by the raster packer, 0-3
};

// The pieces as the packers see them.
struct Pieces {
  std::vector<PieceBox> boxes;
  std::vector<uint8_t> mayTurn;           // the raster packer may try quarter turns
  bool tightTurns = true;                 // the tight packer may turn pieces (Rotate is not "No")
  std::vector<double> area;               // 3D area of each piece
  std::vector<int32_t> firstTriangle;     // triangles of piece p: triangles[first[p] .. first[p+1])
  std::vector<int32_t> triangles;         // grouped by piece, in triangle order within a piece
};

// Groups the triangles by piece and sums their areas.
Pieces groupPieces(const PieceLayout& layout, const WeldData& weld);

// Turns every piece upright (standing pieces: model up along +v) or to its smallest box along
// one of its own edges (lying pieces), then moves it to the origin and measures its box.
// rotateMode says which of them the raster packer may turn, and whether the tight packer may.
void orientPieces(const WeldData& weld, PieceLayout& layout, Pieces& pieces, RotateMode rotateMode);

// (u, v) inside a w x h box after `turn` quarter turns.
Vec2 turnInBox(double u, double v, double w, double h, int turn);

// Rows of boxes in `order`; false when they do not fit at this scale (pixels per unit).
bool shelfPack(std::vector<PieceBox>& boxes, const std::vector<int32_t>& order, int W, int H,
               double scale, double margin);

// The outline of one piece on the raster: per column the lowest and highest filled row
// (-1 when empty), and the highest filled row overall.
struct PieceRaster {
  int cols = 0;
  std::vector<int> bottom, top;
  int tmax = 0;
};
// A helper thread, when given, rasterises half of a large piece's triangles; the result is the
// same either way.
PieceRaster rasterizePiece(const Pieces& pieces, const PieceLayout& layout, int piece, int turn,
                           int pad, double scale, double cell, SecondThread* helper = nullptr);

// The largest scale at which shelfPack fits, to the precision of 50 halvings; the boxes keep
// the positions of the last trial.
double shelfScale(std::vector<PieceBox>& boxes, const std::vector<int32_t>& order, int W, int H,
                  double margin);

// Outlines already rasterised, by scale, piece and turn: the two scale searches of the
// raster packer try many of the same scales.
class RasterCache {
 public:
  // helper (may be null) is lent to rasterizePiece.
  explicit RasterCache(SecondThread* helper = nullptr) : helper_(helper) {}
  const PieceRaster& get(const Pieces& pieces, const PieceLayout& layout, int piece, int turn,
                         int pad, double scale, double cell);

 private:
  std::unordered_map<uint64_t, std::unordered_map<int64_t, PieceRaster>> byScale_;
  SecondThread* helper_;
};

// Skyline packing of the rasterised outlines; false when they do not fit at this scale.
bool skylinePack(Pieces& pieces, const PieceLayout& layout, const std::vector<int32_t>& order,
                 int W, int H, double scale, double margin, double cell, RasterCache& cache);

struct PackResult {
  double scale = 0;        // texture pixels per model unit
  double textureUsed = 0;  // fraction of the texture covered by the pieces' 3D area
  int64_t rotatedCount = 0;
};

// Finds the largest common scale with both packers, keeps the better layout and turns the
// corners of turned pieces inside their boxes. Tight mode also searches with packTight and
// keeps its layout only when its scale is larger; progress (may be null) hears of its trials
// and may stop it by throwing WorkCancelled.
PackResult packPieces(PieceLayout& layout, Pieces& pieces, int W, int H, int margin,
                      PackMode mode = PackMode::standard, Progress* progress = nullptr);

// Replaces the model's vertices: one per distinct (position, piece, UV), never shared
// between pieces; every corner carries its layout UV.
void writeLayoutUVs(Model& model, const WeldData& weld, const PieceLayout& layout,
                    const Pieces& pieces, double scale, int W, int H);
