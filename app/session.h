// Everything that belongs to the open piece of work, owned by main and passed by reference.
#pragma once

#include <string>

#include "model/model.h"
#include "paint/paint_state.h"
#include "paint/texture.h"
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

  Texture texture;  // the painted Texture and its undo store
  StencilState stencil;
  PatternState pattern;
  ViewState view;        // the 3D window's camera, tool and brush

  std::string modelPath;    // the model file the project was made from
  int64_t sourceSize = 0;   // its size and modification time (seconds) when it was read
  int64_t sourceDate = 0;
  std::string exportPath;   // the remembered export file
  std::string projectPath;  // empty while never saved
  bool projectChanged = false;
  bool layoutLocked = false;
  bool layoutChanging = false;
  bool paintingFollows = false;
  int64_t autosaveTicks = 0; // minutes counted toward the next autosave

  // The model every view, tool and exporter works on; null while none is loaded.
  const Model* displayModel() const { return modelLoaded ? &workModel : nullptr; }
};
