// The starting point of the export and project benchmarks: a program (with a quiet Ui) that
// opened a model as a new project at 2048 x 2048 and holds a painted-looking texture, in a
// temporary folder of its own.
#pragma once

#include <string>

#include "app/controller.h"
#include "app/quiet_ui.h"
#include "bench/painted_texture.h"
#include "tests/temp_folder.h"
#include "tools/meshgen/meshgen.h"

struct OpenedProject {
  TempFolder folder;
  Session session;
  QuietUi ui;
  Preferences prefs;
  PreferencesFile prefsFile{""};
  Controller controller{session, ui, prefs, prefsFile, ""};

  // The mesh is written into the folder as modelFile and opened from there.
  OpenedProject(const std::string& folderName, const GenMesh& mesh, const std::string& modelFile)
      : folder(folderName) {
    const std::string model = folder.path(modelFile);
    genWriteFile(mesh, model);
    session.document.settings.layoutWidth = session.document.settings.layoutHeight = 2048;
    controller.openModel(model);
    fillPaintedLook(session.document.texture, 2048);
  }
};
