// The model report shown in the main window's "Info" box after an unwrap.
#pragma once

#include <string>

#include "model/model.h"

// The opening lines, describing the model as read: vertex and triangle counts, the objects
// line (only for more than one object), the polygons line and the layers line.
std::string modelReportHead(const Model& model, bool layerUnwrap);
