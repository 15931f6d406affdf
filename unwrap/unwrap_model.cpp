#include "unwrap/unwrap_model.h"

#include "base/number_text.h"
#include "unwrap/mirror.h"
#include "unwrap/surfaces.h"

MapMode effectiveMapMode(const Model& source, const UnwrapSettings& settings) {
  return settings.mapMode == MapMode::keep && !source.hasUVs ? MapMode::exact : settings.mapMode;
}

namespace {

UnwrapResult unwrapWatched(const Model& source, const UnwrapSettings& settings, Progress* progress) {
  UnwrapResult result;
  Model& work = result.workModel;
  UnwrapStats& stats = result.stats;
  std::string& report = result.report;
  work = source;
  report = modelReportHead(work, settings.layerUnwrap);
  if (settings.layerUnwrap) layerSurfaceNames(work);
  work.zUp = settings.upAxisChoice == UpAxis::z;
  modelToYUp(work);

  result.mapMode = effectiveMapMode(source, settings);
  if (result.mapMode != settings.mapMode) report += "The file has no UVs: unwrapping\n";
  if (result.mapMode != MapMode::keep) {
    UnwrapSettings used = settings;
    used.mapMode = result.mapMode;
    if (used.mirrorAxis != MirrorAxis::off)
      mirrorUnwrap(work, used, stats, kMirrorMaxPasses, progress);
    else
      unwrapPieces(work, used, stats, progress);
    report += flatteningReport(used, stats, work.triangleCount());
  }

  checkpoint(progress, ProgressStage::surfaces, 0);
  stats.surfaceCount = buildSurfaces(work, settings.mergeSurfaces);
  report += surfacesReport(stats.surfaceCount, work.vertexCount(), work.triangleCount());
  checkpoint(progress, ProgressStage::done, 1);
  return result;
}

}  // namespace

UnwrapResult unwrapSourceModel(const Model& source, const UnwrapSettings& settings,
                               Progress* progress) {
  try {
    return unwrapWatched(source, settings, progress);
  } catch (const WorkCancelled&) {
    UnwrapResult none;
    none.cancelled = true;
    return none;
  }
}

std::string modelReportHead(const Model& model, bool layerUnwrap) {
  std::string report = "Vertices: " + std::to_string(model.vertexCount()) +
                       "    Triangles: " + std::to_string(model.triangleCount()) + "\n";
  if (model.objectCount > 1)
    report += "Objects: " + std::to_string(model.objectCount) + " (combined into one)\n";
  if (model.splitPolygons < 1)
    report += "All faces are triangles\n";
  else
    report += "Polygons split into triangles: " + std::to_string(model.splitPolygons) + "\n";
  report += "Layers: " + std::to_string(model.layerCount());
  if (layerUnwrap) report += "  (used as surfaces)";
  report += "\n";
  return report;
}

std::string flatteningReport(const UnwrapSettings& settings, const UnwrapStats& stats,
                             int64_t triangleCount) {
  std::string report = "Unwrapped pieces: " + std::to_string(stats.pieceCount) + "\n";
  if (settings.mirrorAxis != MirrorAxis::off) {
    report += "Mirrored: " + std::to_string(stats.mirroredCount) + " of " +
              std::to_string(triangleCount) + " triangles share UVs\n";
    if (stats.mirroredCount == 0) report += "  (no mirror image found: is the model symmetric?)\n";
  }
  report += "Scale: " + fixedText(stats.layoutScale, 1) + " pixels per unit\n";
  if (!stats.piecesFit)
    report += std::string(kPiecesDoNotFit) + "\n";
  report += "Texture used: " + fixedText(stats.textureUsed * 100, 0) + "%";
  if (stats.rotatedCount > 0) report += "  (" + std::to_string(stats.rotatedCount) + " pieces rotated)";
  report += "\n";
  if (settings.packMode == PackMode::tight) report += "Packing: tight\n";
  if (settings.mapMode == MapMode::smooth)
    report += "Largest stretch: " + fixedText((stats.largestStretch - 1) * 100, 0) + "%\n";
  if (stats.foldedCount > 0)
    report += "WARNING: " + std::to_string(stats.foldedCount) + " triangles folded over\n";
  return report;
}

std::string surfacesReport(int64_t surfaceCount, int64_t vertexCount, int64_t triangleCount) {
  std::string report = "Surfaces: " + std::to_string(surfaceCount) + "\n";
  if (!fitsIn3ds(vertexCount, triangleCount)) report += "WARNING: too large for .3ds (max. 65535)\n";
  return report;
}
