#include "app/unwrap_driver.h"

#include "base/file_io.h"

void unwrapModel(Session& session, Ui& ui) {
  if (session.sourceModel.triangles.empty()) {
    session.modelLoaded = false;
    ui.refreshViews();
    return;
  }
  if (unwrapFlattens(session.sourceModel, session.settings)) ui.status(kStatusCounts, kUnwrappingNote);
  UnwrapResult result = unwrapSourceModel(session.sourceModel, session.settings);
  if (result.mapMode != session.settings.mapMode) {
    // So that the controls, and a later save, say what ran.
    session.settings.mapMode = result.mapMode;
    ui.refreshControls();
  }
  session.workModel = std::move(result.workModel);
  session.stats = result.stats;
  session.reportText = std::move(result.report);

  session.modelLoaded = true;
  session.projectChanged = true;
  ui.status(kStatusFile, fileNameOf(session.modelPath));
  ui.status(kStatusCounts, std::to_string(session.workModel.triangleCount()) + " triangles, " +
                               std::to_string(session.stats.surfaceCount) + " surfaces");
  ui.refreshViews();
}

bool unwrapFlattens(const Model& source, const UnwrapSettings& settings) {
  return !source.triangles.empty() && effectiveMapMode(source, settings) != MapMode::keep;
}
