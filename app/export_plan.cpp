#include "app/export_plan.h"

#include "base/file_io.h"

ExportPlan exportPlan(const std::string& path, const std::string& lastExport,
                      const ExportChoice& choices, bool hasTexture,
                      const std::function<bool(const std::string&)>& exists) {
  ExportPlan plan;
  plan.modelPath = path;
  plan.folder = folderOf(path);
  plan.fileName = fileNameOf(path);
  plan.base = plan.fileName.substr(0, plan.fileName.size() - 4);  // without ".3ds"
  const std::string stem = plan.folder + plan.base;
  if (choices.script) plan.scriptPath = stem + ".scr";
  if (choices.tga && hasTexture) plan.tgaPath = stem + ".tga";
  if (choices.tex && hasTexture) plan.texPath = stem + ".tex";
  if (choices.uvPicture) plan.uvPicturePath = stem + "_uv.png";
  plan.samePlace = sameTextIgnoringCase(path, lastExport);
  if (plan.samePlace) return plan;
  auto addIfExists = [&](const std::string& file, const std::string& name,
                         const std::string& note) {
    if (file.empty() || !exists(file)) return;
    plan.overwrite.push_back(note.empty() ? name : name + " " + note);
    plan.overwriteLines += (note.empty() ? name : name + "  " + note) + "\n";
  };
  // The UV picture is not among the files asked about.
  addIfExists(path, plan.fileName, "");
  addIfExists(plan.scriptPath, plan.base + ".scr", "(may contain animations!)");
  addIfExists(plan.tgaPath, plan.base + ".tga", "");
  addIfExists(plan.texPath, plan.base + ".tex", "");
  return plan;
}
