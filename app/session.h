// Everything that belongs to the open piece of work, owned by main and passed by reference.
#pragma once

#include <string>

#include "model/model.h"
#include "unwrap/unwrap.h"

struct Session {
  Model sourceModel;  // as read from the model file
  Model workModel;    // Y-up and unwrapped: shown, painted and exported
  Model lockedModel;  // the layout kept while a layout change is in progress
  bool modelLoaded = false;
  LayerState layers;

  UnwrapSettings settings;
  UnwrapStats stats;
  std::string reportText;  // the "Info" box

  std::string modelPath;    // the model file the project was made from
  std::string projectPath;  // empty while never saved
  bool projectChanged = false;
  bool layoutLocked = false;
  bool layoutChanging = false;
  bool paintingFollows = false;

  // The model every view, tool and exporter works on; null while none is loaded.
  const Model* displayModel() const { return modelLoaded ? &workModel : nullptr; }
};
