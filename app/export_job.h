// The files of File > Export to Serious Sam, written on whichever thread runs the export.
// Every file is written under a temporary name beside its place first, and all of them are
// moved into place only at the end: an export stopped before that leaves every file as it
// was, and one that existed before is never cut off halfway.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/export_plan.h"
#include "base/progress.h"
#include "model/model.h"

// What the export works on: copies, so that the windows may go on meanwhile.
struct ExportInputs {
  ExportPlan plan;
  Model workModel;
  std::vector<uint32_t> texture;  // textureWidth x textureHeight; empty for none
  int64_t textureWidth = 0, textureHeight = 0;
  int layoutWidth = 512, layoutHeight = 512;  // the main window's texture size
  std::string seriousSamRoot;                 // the preference, for a script outside any
};

struct ExportOutcome {
  // Everything that was written is in place (false: nothing at all changed on disk).
  bool done = false;
  std::string modelMessage;  // why the .3ds was not written, when !done
  int64_t leftOut = 0;       // zero-area triangles left out of the .3ds
  // "Exported x.3ds", then " + .scr", " + .tga", " + .tex" (with its scaling note) and
  // " + UV layout" for each file that went into place.
  std::string report;
  // The script's and the .tex's warnings, in that order, as the message boxes say them.
  std::vector<std::string> warnings;
};

// Writes the files of the plan. progress hears of every step (stages start, padding, writing)
// and may stop the export at any of them before the files are moved into place: then the
// temporary files are removed and WorkCancelled is thrown. A failure of the .3ds writes
// nothing; a failed script, .tga, .tex or UV picture leaves the rest standing.
ExportOutcome writeExport(const ExportInputs& inputs, Progress* progress = nullptr);

// The temporary name a file is written under before it is moved to `path`: beside it, one
// that does not exist yet.
std::string temporaryNameFor(const std::string& path);
