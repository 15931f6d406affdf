// The unwrap driver: runs the unwrap of the open model (unwrap/unwrap_model.h) and shows its
// result in the session and the windows.
#pragma once

#include <string>

#include "app/session.h"
#include "app/ui.h"
#include "unwrap/unwrap_model.h"

// Rebuilds session.workModel from session.sourceModel with session.settings, replaces the
// report and the statistics, and refreshes the window. A source model without triangles
// only unloads the model. Keep mode on a file without UVs turns the setting to exact.
void unwrapModel(Session& session, Ui& ui);

// The status note while unwrapModel flattens the model: it does for a model with triangles
// that is unwrapped, or whose file has no UVs to keep.
constexpr const char* kUnwrappingNote = "Unwrapping...";
bool unwrapFlattens(const Model& source, const UnwrapSettings& settings);
