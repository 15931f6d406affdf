#include "app/unwrap_driver.h"

#include <cmath>

#include "app/model_report.h"
#include "base/file_io.h"
#include "base/number_text.h"
#include "unwrap/mirror.h"
#include "unwrap/surfaces.h"

Changes unwrapModel(Session& session, Ui& ui) {
  // Another layout or none: the report, the UV view and the 3D view change with it.
  Changes changes{.report = true, .uvView = true, .title = true, .model3d = true};
  if (session.document.sourceModel.triangles.empty()) {
    session.document.modelLoaded = false;
    return changes;
  }
  UnwrapSettings& settings = session.document.settings;
  Model& work = session.document.workModel;
  UnwrapStats& stats = session.document.stats;
  stats = UnwrapStats{};  // every figure belongs to this run, whichever steps it takes
  modelCopy(work, session.document.sourceModel);
  std::string report = modelReportHead(work, settings.layerUnwrap);
  if (settings.layerUnwrap) layerSurfaceNames(work);
  work.zUp = settings.upAxisChoice == 0;
  modelToYUp(work);

  if (settings.mapMode == MapMode::keep && !work.hasUVs) {
    settings.mapMode = MapMode::exact;
    changes.controls = true;
    report += "The file has no UVs: unwrapping\n";
  }
  if (settings.mapMode != MapMode::keep) {
    ui.status(kStatusCounts, kUnwrappingNote);
    if (settings.mirrorAxis != 0)
      mirrorUnwrap(work, settings, stats);
    else
      unwrapPieces(work, settings, stats);
    report += "Unwrapped pieces: " + std::to_string(stats.pieceCount) + "\n";
    if (settings.mirrorAxis != 0) {
      report += "Mirrored: " + std::to_string(stats.mirroredCount) + " of " +
                std::to_string(work.triangleCount()) + " triangles share UVs\n";
      if (stats.mirroredCount == 0) report += "  (no mirror image found: is the model symmetric?)\n";
    }
    report += "Scale: " + fixedText(stats.layoutScale, 1) + " pixels per unit\n";
    // Margins can leave no room at all: the pieces then shrink to nothing.
    if (stats.largestPiece > 0 && stats.layoutScale * stats.largestPiece < 1)
      report += std::string(kPiecesDoNotFit) + "\n";
    report += "Texture used: " + fixedText(stats.textureUsed * 100, 0) + "%";
    if (stats.rotatedCount > 0)
      report += "  (" + std::to_string(stats.rotatedCount) + " pieces rotated)";
    report += "\n";
    if (settings.mapMode == MapMode::smooth)
      report += "Largest stretch: " + fixedText((stats.largestStretch - 1) * 100, 0) + "%\n";
    if (stats.foldedCount > 0)
      report += "WARNING: " + std::to_string(stats.foldedCount) + " triangles folded over\n";
  }

  stats.surfaceCount = buildSurfaces(work, settings.mergeSurfaces);
  report += "Surfaces: " + std::to_string(stats.surfaceCount) + "\n";
  if (work.vertexCount() > 65535 || work.triangleCount() > 65535)
    report += "WARNING: too large for .3ds (max. 65535)\n";
  session.document.reportText = report;

  session.document.modelLoaded = true;
  session.document.projectChanged = true;
  ui.status(kStatusFile, fileNameOf(session.document.modelPath));
  ui.status(kStatusCounts, std::to_string(work.triangleCount()) + " triangles, " +
                               std::to_string(stats.surfaceCount) + " surfaces");
  return changes;
}

bool unwrapFlattens(const Model& source, const UnwrapSettings& settings) {
  return !source.triangles.empty() && (settings.mapMode != MapMode::keep || !source.hasUVs);
}
