// The unwrap core: weld, cut into flat pieces, orient, pack and write one UV per corner.
#pragma once

#include <cstdint>

#include "base/progress.h"
#include "model/model.h"
#include "unwrap/exact.h"
#include "unwrap/weld.h"

enum class MapMode : int { keep = 0, exact = 1, smooth = 2 };
// Which pieces the packer may turn by quarter turns.
enum class RotateMode : int { never = 0, lyingOnly = 1, all = 2 };
// The file's up axis: Z up is turned to Y up.
enum class UpAxis : int { z = 0, y = 1 };
// The mirror plane, across x (left - right), z (front - back) or y (up - down) of the Y-up model.
enum class MirrorAxis : int { off = 0, leftRight = 1, frontBack = 2, upDown = 3 };
// Standard packs with the two quick packers; tight also tries a slower free-space packer and
// keeps its layout when it gives the pieces a larger scale.
enum class PackMode : int { standard = 0, tight = 1 };

// What the main window's unwrap controls say; stored in the project under the same names.
struct UnwrapSettings {
  MapMode mapMode = MapMode::exact;  // keep the file's UVs, exact pieces, or smooth (LSCM)
  int layoutWidth = 512;             // texture size in pixels: a power of 2 from 32 to 2048
  int layoutHeight = 512;
  int maxAngle = 40;       // degrees between neighbouring normals inside one exact piece
  int margin = 4;          // pixels between pieces and at the texture border
  int maxStretch = 30;     // percent of stretch a smooth piece may have before it is cut
  RotateMode rotateMode = RotateMode::lyingOnly;
  UpAxis upAxisChoice = UpAxis::z;  // Z up is usual for .3ds, Y up for .obj
  bool mergeSurfaces = true;  // combine pieces into fewer Surfaces
  bool layerUnwrap = false;   // layers become Surfaces; nothing crosses a layer border
  MirrorAxis mirrorAxis = MirrorAxis::off;
  PackMode packMode = PackMode::standard;

  bool operator==(const UnwrapSettings&) const = default;
};

// The figures of the last unwrap, for the report, the views and the project file.
struct UnwrapStats {
  int64_t pieceCount = 0;
  int64_t mirroredCount = 0;
  double layoutScale = 0;     // texture pixels per model unit
  double largestPiece = 0;    // model units: the longest side of any piece's box
  double textureUsed = 0;     // fraction of the texture covered by the model's 3D area
  int64_t rotatedCount = 0;   // pieces turned by the raster packer
  double largestStretch = 1;  // smooth mode; 1 in exact mode
  int64_t foldedCount = 0;    // smooth mode; 0 in exact mode
  int64_t surfaceCount = 0;
  // The largest piece covers at least a pixel; margins that leave no room shrink the pieces
  // to nothing, and the report and the export then warn.
  bool piecesFit = true;

  bool operator==(const UnwrapStats&) const = default;
};

// Replaces the model's vertices and corner indices so that every corner carries its layout
// UV, and fills the piece, scale, size, usage, turn, stretch and fold figures of `stats` (the
// mirrored count is left alone). Every corner index must lie inside the vertex array.
// Returns the number of pieces. progress (may be null) hears of each stage and may stop the
// work between stages by throwing WorkCancelled; the model is then half made.
int64_t unwrapPieces(Model& model, const UnwrapSettings& settings, UnwrapStats& stats,
                     Progress* progress = nullptr);

// The two halves of unwrapPieces, for callers that keep or combine flattened pieces.
struct Segmentation {
  PieceLayout layout;         // pieces and corners in each piece's plane, before orientation
  double largestStretch = 1;  // 1 in exact mode
  int64_t foldedCount = 0;    // 0 in exact mode
};
// Cuts the welded model into pieces and flattens them: exact or smooth by settings.mapMode.
Segmentation segmentPieces(const Model& model, const WeldData& weld, const UnwrapSettings& settings,
                           Progress* progress = nullptr);
// Orients, packs and writes the UVs of flattened pieces (layout is consumed), and fills
// `stats` from the packing and from the segmentation's figures.
int64_t layOutPieces(Model& model, const WeldData& weld, Segmentation segmentation,
                     const UnwrapSettings& settings, UnwrapStats& stats,
                     Progress* progress = nullptr);
