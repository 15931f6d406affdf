// Piece colouring of the "Unwrap pieces" view: triangles joined across edges whose two ends
// carry the same position and the same UV on both sides, so each group is one piece of the
// UV layout.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"

struct PieceColouring {
  std::vector<int32_t> pieceOfTriangle;  // per triangle; pieces numbered largest first
  int64_t pieceCount = 0;
};

// Vertices are identified by position key and UV key together; a triangle edge is the pair of
// its end identities, unordered. Triangles sharing an edge are one piece. Pieces are numbered
// by triangle count, largest first; equal counts keep the order of their union-find roots.
// Triangles with a corner index outside the vertex array join nothing and form pieces of
// their own.
PieceColouring buildPieceColouring(const Model& model);

// The colouring of the model last asked for, rebuilt when the model or its triangle count
// differs from what it was built from.
class PieceCache {
 public:
  const PieceColouring& colouring(const Model& model);
  // Forces a rebuild at the next request (the same model object was rewritten).
  void forget() { model_ = nullptr; }

 private:
  PieceColouring colouring_;
  const Model* model_ = nullptr;
  int64_t triangleCount_ = 0;
};
