// The unwrap driver: runs the unwrap of the open model (unwrap/unwrap_model.h) and shows its
// result in the session and the windows.
#pragma once

#include <string>

#include "app/changes.h"
#include "app/layout_change.h"
#include "app/session.h"
#include "app/ui.h"
#include "unwrap/unwrap_model.h"

// Rebuilds the document's workModel from its sourceModel with its settings, replaces the
// report and the statistics, and returns what the windows show again. A source model without
// triangles only unloads the model. Keep mode on a file without UVs turns the setting to exact.
// During a layout change whose painting follows, the painting moves onto the new layout.
Changes unwrapModel(Session& session, Ui& ui);
// The second half of unwrapModel, for an unwrap that ran elsewhere: takes `result`, the
// unwrap of the document's source model with its settings, into the session, with the
// painting carried onto it during a layout change (carryPainting of the result's model).
Changes takeUnwrap(Session& session, Ui& ui, UnwrapResult result,
                   std::optional<CarriedPainting> carried);

// The status note while unwrapModel flattens the model: it does for a model with triangles
// that is unwrapped, or whose file has no UVs to keep.
constexpr const char* kUnwrappingNote = "Unwrapping...";
constexpr const char* kUnwrapCancelledNote = "Unwrap cancelled: the layout is as before";
// The counts field for the shown model.
void showUnwrapCounts(const Session& session, Ui& ui);
bool unwrapFlattens(const Model& source, const UnwrapSettings& settings);
