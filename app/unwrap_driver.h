// The unwrap driver: from the model as read to the unwrapped, packed model with its Surfaces
// and the report of the "Info" box.
#pragma once

#include <string>

#include "app/changes.h"
#include "app/session.h"
#include "app/ui.h"

// The report line of a layout whose largest piece covers less than a pixel; the export's
// note repeats it.
constexpr const char* kPiecesDoNotFit =
    "WARNING: the pieces do not fit this texture: use a larger texture or a smaller margin";

// Rebuilds the document's workModel from its sourceModel with its settings, replaces the
// report and the statistics, and returns what the windows show again. A source model without
// triangles only unloads the model.
Changes unwrapModel(Session& session, Ui& ui);

// The status note while unwrapModel flattens the model: it does for a model with triangles
// that is unwrapped, or whose file has no UVs to keep.
constexpr const char* kUnwrappingNote = "Unwrapping...";
bool unwrapFlattens(const Model& source, const UnwrapSettings& settings);
