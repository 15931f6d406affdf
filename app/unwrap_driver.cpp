#include "app/unwrap_driver.h"

#include "app/layout_change.h"
#include "base/file_io.h"

Changes unwrapModel(Session& session, Ui& ui) {
  if (session.document.sourceModel.triangles.empty()) {
    session.document.modelLoaded = false;
    return {.report = true, .uvView = true, .title = true, .model3d = true};
  }
  Document& document = session.document;
  if (unwrapFlattens(document.sourceModel, document.settings)) ui.status(kStatusCounts, kUnwrappingNote);
  UnwrapResult result =
      unwrapSourceModel(document.sourceModel, document.settings, ui.unwrapProgress());
  std::optional<CarriedPainting> carried =
      carryPainting(session.layoutChange, result.workModel, document.settings.layoutWidth,
                    document.settings.layoutHeight);
  return takeUnwrap(session, ui, std::move(result), std::move(carried));
}

Changes takeUnwrap(Session& session, Ui& ui, UnwrapResult result,
                   std::optional<CarriedPainting> carried) {
  // Another layout: the report, the UV view and the 3D view change with it.
  Changes changes{.report = true, .uvView = true, .title = true, .model3d = true};
  Document& document = session.document;
  if (result.mapMode != document.settings.mapMode) {
    // So that the controls, and a later save, say what ran.
    document.settings.mapMode = result.mapMode;
    changes.controls = true;
  }
  document.workModel = std::move(result.workModel);
  document.stats = result.stats;
  document.reportText = std::move(result.report);
  if (carried) document.texture.carryTo(std::move(carried->pixels), carried->width, carried->height);

  document.modelLoaded = true;
  document.projectChanged = true;
  ui.status(kStatusFile, fileNameOf(document.modelPath));
  showUnwrapCounts(session, ui);
  return changes;
}

void showUnwrapCounts(const Session& session, Ui& ui) {
  const Document& d = session.document;
  ui.status(kStatusCounts, d.modelLoaded ? std::to_string(d.workModel.triangleCount()) +
                                               " triangles, " +
                                               std::to_string(d.stats.surfaceCount) + " surfaces"
                                         : "");
}

bool unwrapFlattens(const Model& source, const UnwrapSettings& settings) {
  return !source.triangles.empty() && effectiveMapMode(source, settings) != MapMode::keep;
}
