// The unwrap of a whole model as the main window asks for it: from the model as read and the
// settings to the work model that is shown, painted and exported, its figures and the report
// of the "Info" box. Nothing here touches a window.
#pragma once

#include <cstdint>
#include <string>

#include "model/model.h"
#include "unwrap/unwrap.h"

// The report line of a layout whose largest piece covers less than a pixel; the export's
// note repeats it.
constexpr const char* kPiecesDoNotFit =
    "WARNING: the pieces do not fit this texture: use a larger texture or a smaller margin";

struct UnwrapResult {
  Model workModel;   // Y-up; unwrapped, or with the file's UVs; materials are the Surfaces
  UnwrapStats stats;
  std::string report;
  MapMode mapMode = MapMode::exact;  // the mode it ran in: keep finds no UVs, so it is exact
  // Stopped through the progress before the end: everything else is empty.
  bool cancelled = false;
};

// The mode an unwrap of `source` runs in: the settings' mode, but exact where keep mode finds
// no UVs in the file.
MapMode effectiveMapMode(const Model& source, const UnwrapSettings& settings);

// Copies the source, makes its layers the materials (layerUnwrap), turns it Y-up, flattens and
// packs it (with the mirror when an axis is set) unless the file's UVs are kept, forms the
// Surfaces and writes the report. Requires triangles whose corner indices lie inside the
// vertex array. progress (may be null) hears of every stage and may stop the unwrap: the
// result then says cancelled and holds nothing.
UnwrapResult unwrapSourceModel(const Model& source, const UnwrapSettings& settings,
                               Progress* progress = nullptr);

// The parts of the report, each a run of lines ending in "\n":
// - the model as read: counts, objects (more than one only), polygons, layers;
std::string modelReportHead(const Model& model, bool layerUnwrap);
// - what the flattening gave, for a work model of triangleCount triangles, in the mode of
//   settings.mapMode (exact or smooth): pieces, mirror, scale, usage, turns, stretch, folds;
std::string flatteningReport(const UnwrapSettings& settings, const UnwrapStats& stats,
                             int64_t triangleCount);
// - the Surfaces, and a warning when the finished model does not fit a .3ds file.
std::string surfacesReport(int64_t surfaceCount, int64_t vertexCount, int64_t triangleCount);
