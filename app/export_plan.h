// What File > Export to Serious Sam will write, decided before anything is written: the
// files beside the chosen .3ds and which existing ones the overwrite question names. Pure,
// so that the plan is testable without a file system.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The files an export writes besides the .3ds, as the preferences choose them.
struct ExportChoice {
  bool script = false;     // the .scr
  bool tga = false;        // the padded texture as .tga (only with a Texture)
  bool tex = false;        // the padded texture as .tex (only with a Texture)
  bool uvPicture = false;  // the UV layout as <name>_uv.png
};

struct ExportPlan {
  std::string modelPath;  // the .3ds
  std::string folder;     // where all of them go
  std::string fileName;   // of the .3ds
  std::string base;       // its name without ".3ds"
  // Empty for a file that is not written.
  std::string scriptPath, tgaPath, texPath, uvPicturePath;
  // Exporting again where the last export went: nothing is asked.
  bool samePlace = false;
  // The existing files that would be overwritten, as the question names them ("x.scr
  // (may contain animations!)"), and the question's lines; empty when nothing is asked.
  std::vector<std::string> overwrite;
  std::string overwriteLines;
};

// path: the chosen file, ending in ".3ds" (any case); lastExport: the remembered export file;
// hasTexture: whether a Texture exists; exists: whether a file is there.
ExportPlan exportPlan(const std::string& path, const std::string& lastExport,
                      const ExportChoice& choices, bool hasTexture,
                      const std::function<bool(const std::string&)>& exists);
