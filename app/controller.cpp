#include "app/controller.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/control_ranges.h"
#include "app/help.h"
#include "app/unwrap_driver.h"
#include "app/window_rules.h"
#include "base/file_io.h"
#include "base/number_text.h"
#include "image/image.h"
#include "model/readers.h"
#include "project/archive.h"
#include "project/project_ini.h"
#include "project/snapshot.h"

namespace {

namespace fs = std::filesystem;

struct FileFacts {
  bool exists = false;
  int64_t size = -1;
  int64_t modified = 0;  // seconds
};

FileFacts factsOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return {true, static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtime)};
}

void removeFile(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

std::string joinFields(const std::vector<std::string>& fields) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) out += (i ? "," : "") + fields[i];
  return out;
}

// The main window's settings keys, each brought into the range of its control: a list index
// that names no item selects the first item, a size of 0 (or none) is 512.
UnwrapSettings settingsFromIni(const IniValues& ini) {
  UnwrapSettings u;
  u.mapMode = static_cast<MapMode>(controlRange::mapMode.pick(ini.integer("MapMode")));
  auto side = [&](const char* key) {
    const int64_t value = ini.integer(key);
    return textureSide(value == 0 ? 512 : value);
  };
  u.layoutWidth = side("TexW");
  u.layoutHeight = side("TexH");
  u.maxAngle = controlRange::maxAngle.clamp(ini.integer("Angle"));
  u.margin = controlRange::margin.clamp(ini.integer("Margin"));
  u.maxStretch = controlRange::maxStretch.clamp(ini.integer("Stretch"));
  u.rotateMode = controlRange::rotate.pick(ini.integer("Rotate"));
  u.upAxisChoice = controlRange::upAxis.pick(ini.integer("UpAxis"));
  u.mergeSurfaces = ini.integer("Merge") != 0;
  u.mirrorAxis = controlRange::mirror.pick(ini.integer("Mirror"));
  u.layerUnwrap = ini.integer("LayerUnwrap") != 0;
  return u;
}

// A pattern's tile size and offset come from spin boxes in centimetres and percent.
double fromHundredths(double value, SpinRange range) {
  return std::clamp(value, range.low / 100.0, range.high / 100.0);
}

constexpr const char* kProjectFilter = "Quillmap project (*.qmap)|*.qmap";
constexpr const char* kModelFilter = "3D models (*.3ds;*.obj)|*.3ds;*.obj|All files (*.*)|*.*";
constexpr const char* kOpenFilter =
    "Projects and models (*.qmap;*.3ds;*.obj)|*.qmap;*.3ds;*.obj|Projects (*.qmap)|*.qmap|"
    "3D models (*.3ds;*.obj)|*.3ds;*.obj|All files (*.*)|*.*";

}  // namespace

// ---- Opening -------------------------------------------------------------------------------

bool Controller::openFile(const std::string& path) {
  if (!factsOf(path).exists) {
    ui_.message(kProgramName, "File not found:\n" + path, Icon::warning, Buttons::ok);
    return false;
  }
  const std::string ext = lowerExtension(path);
  if (ext != "qmap" && ext != "3ds" && ext != "obj") {
    ui_.message(kProgramName, "Only projects (.qmap) and models (.3ds, .obj) can be opened.",
                Icon::warning, Buttons::ok);
    return false;
  }
  if (!allowDiscard()) return false;
  return ext == "qmap" ? openProject(path) : openModel(path);
}

bool Controller::openModel(const std::string& path) {
  const bool obj = lowerExtension(path) == "obj";
  // Read into a fresh model: a file that fails leaves the open project exactly as it was.
  Model source;
  const ReadResult read = obj ? readObj(path, source, true) : read3ds(path, source);
  if (!read.ok) {
    error("Could not open the model:\n" + read.message);
    return false;
  }
  s_.document.sourceModel = std::move(source);
  const FileFacts facts = factsOf(path);
  s_.document.modelPath = path;
  s_.document.sourceSize = facts.size;
  s_.document.sourceDate = facts.modified;
  prefs_.lastDir = folderOf(path);
  prefsFile_.writeText("LastDir", prefs_.lastDir);
  s_.document.projectPath.clear();
  s_.document.exportPath.clear();
  s_.document.layoutLocked = false;
  s_.layoutChange.layoutChanging = false;
  resetTexture(s_.document.texture);
  s_.document.texture.TextureFile = folderOf(path);
  s_.document.stencil = StencilState{};
  s_.document.pattern.anchorFace = -1;
  s_.document.settings.mirrorAxis = 0;
  resizeLayerState(s_.document.layers, 0);
  resizeLayerState(s_.document.layers, s_.document.sourceModel.layerCount());
  s_.document.layers.curLayer = 0;
  s_.document.settings.upAxisChoice = obj ? 1 : 0;
  ui_.status(kStatusNote, "");
  changes_.controls = true;
  s_.document.view.dist = 0;  // not framed: the 3D view frames the new model when it shows it
  changes_ |= unwrapModel(s_, ui_);
  s_.document.projectChanged = true;
  addRecent(prefs_, prefsFile_, path);
  return true;
}

bool Controller::openProject(const std::string& path) {
  std::string archivePath = path;
  bool fromAutosave = false;
  const FileFacts autosave = factsOf(path + ".autosave");
  if (autosave.exists && autosave.size >= 1 && autosave.modified > factsOf(path).modified &&
      ui_.message(kProgramName,
                  "There is an autosave of this project that is newer than the saved project.\n"
                  "Probably the program was closed without saving.\n\nOpen the autosave?",
                  Icon::information, Buttons::yesNo) == Answer::yes) {
    archivePath = path + ".autosave";
    fromAutosave = true;
  }
  if (!applyProject(path, archivePath, fromAutosave)) return false;
  changes_.reopen3d = true;  // an open 3D window starts again on the project
  return true;
}

bool Controller::applyProject(const std::string& path, const std::string& archivePath,
                              bool fromAutosave, bool remember) {
  auto entries =
      readZipArchive(archivePath, {"project.ini", "source.bin", "model.bin", "texture.png"});
  if (!entries) {
    error("Cannot open " + path);
    return false;
  }
  auto entry = [&](const std::string& name) -> const std::vector<uint8_t>* {
    const auto it = entries->find(name);
    return it == entries->end() ? nullptr : &it->second;
  };
  const std::vector<uint8_t>* iniBytes = entry("project.ini");
  const IniValues ini(iniBytes ? std::string_view(reinterpret_cast<const char*>(iniBytes->data()),
                                                  iniBytes->size())
                               : std::string_view());
  // Everything is read into fresh records first: an invalid file leaves the open project
  // exactly as it was.
  Model work;
  const std::vector<uint8_t>* modelBytes = entry("model.bin");
  if (!modelBytes || !readModelSnapshot(work, *modelBytes) || ini.empty()) {
    error(path + " is not a valid project file.");
    return false;
  }
  // The stencil and pattern entries are the ones their keys name, whatever the extension of
  // the file they came from.
  const std::string stencilName = ini.text("StencilFile");
  const std::string patternName = ini.text("PatternFile");
  std::vector<std::string> imageNames;
  for (const std::string& name : {stencilName, patternName})
    if (isPlainEntryName(name)) imageNames.push_back(name);
  if (!imageNames.empty())
    if (auto images = readZipArchive(archivePath, imageNames)) entries->merge(*images);

  Model source;
  const std::vector<uint8_t>* sourceBytes = entry("source.bin");
  if (!sourceBytes || !readModelSnapshot(source, *sourceBytes)) modelClear(source);
  s_.document.workModel = std::move(work);
  s_.document.sourceModel = std::move(source);

  resetTexture(s_.document.texture);
  if (s_.document.view.viewMode == ViewMode::texture)
    s_.document.view.viewMode = ViewMode::testPattern;
  if (const auto* png = entry("texture.png")) {
    if (std::optional<Image> image = decodeImage(*png)) {
      for (uint32_t& p : image->pixels) p &= 0x00FFFFFFu;  // the painted image has no alpha
      s_.document.texture.TextureWidth = image->width;
      s_.document.texture.TextureHeight = image->height;
      s_.document.texture.TexturePixels = std::move(image->pixels);
    }
  }

  // Stencil and pattern come back from the files they were loaded from.
  // Every real read from the text is finite; those with a control are brought into its range.
  s_.document.stencil = StencilState{};
  if (const auto* bytes = isPlainEntryName(stencilName) ? entry(stencilName) : nullptr) {
    if (loadSourceImage(s_.document.stencil.image, *bytes, lowerExtension(stencilName), true)) {
      s_.document.stencil.x = ini.real("StencilX");
      s_.document.stencil.y = ini.real("StencilY");
      const double scale = ini.real("StencilScale");
      s_.document.stencil.scale = scale > 0 ? std::max(scale, controlRange::stencilScaleLow) : 1.0;
      s_.document.stencil.angle = ini.real("StencilAngle");
      s_.document.stencil.show = ini.integer("StencilShow") != 0;
      s_.document.stencil.opacity = controlRange::stencilOpacity.clamp(ini.integer("StencilOpacity"));
    }
  }
  PatternState pattern;
  if (const auto* bytes = isPlainEntryName(patternName) ? entry(patternName) : nullptr)
    loadSourceImage(pattern.image, *bytes, lowerExtension(patternName), false);
  if (ini.has("PatternTile") && ini.real("PatternTile") > 0)
    pattern.tile = fromHundredths(ini.real("PatternTile"), controlRange::patternTileCm);
  pattern.tint = ini.integer("PatternTint") != 0;
  pattern.rotate = static_cast<int>(ini.integer("PatternRotate") & 3);
  pattern.mapping = static_cast<int>(ini.integer("PatternMapping") & 1);
  const std::vector<std::string> offset = ini.fields("PatternOffset");
  pattern.offsetX = fromHundredths(leadingReal(offset[0]), controlRange::patternOffsetPercent);
  pattern.offsetY = fromHundredths(offset.size() > 1 ? leadingReal(offset[1]) : 0,
                                   controlRange::patternOffsetPercent);
  const std::vector<std::string> anchor = ini.fields("Anchor");
  const int64_t anchorFace = ini.integer("AnchorFace");
  if (ini.has("AnchorFace") && ini.has("Anchor") && anchor.size() == 8 && anchorFace >= 0 &&
      anchorFace < s_.document.workModel.triangleCount()) {
    pattern.anchorFace = anchorFace;
    double* targets[8] = {&pattern.anchorBary[0], &pattern.anchorBary[1], &pattern.anchorUp[0],
                          &pattern.anchorUp[1],   &pattern.anchorUp[2],   &pattern.anchorRight[0],
                          &pattern.anchorRight[1], &pattern.anchorRight[2]};
    for (int i = 0; i < 8; ++i) *targets[i] = leadingReal(anchor[i]);
  }
  s_.document.pattern = std::move(pattern);
  s_.document.view.paintSource = static_cast<PaintSource>(
      ini.has("PaintSource") ? controlRange::paintSource.pick(ini.integer("PaintSource"))
                             : (ini.integer("StencilUse") != 0 ? 1 : 0));

  s_.document.settings = settingsFromIni(ini);

  s_.document.modelPath = ini.text("Source");
  s_.document.sourceSize = ini.integer("SourceSize");
  s_.document.sourceDate = ini.integer("SourceDate");
  s_.document.exportPath = ini.text("ExportFile");
  s_.document.texture.TextureFile = ini.text("TextureFile");
  s_.document.reportText = unescapeInfo(ini.text("Info"));

  s_.document.layoutLocked = ini.integer("Locked") != 0 || s_.document.texture.TextureWidth >= 1;
  s_.layoutChange.layoutChanging = false;
  s_.document.modelLoaded = true;

  ViewState& v = s_.document.view;
  if (ini.has("Dist") && ini.real("Dist") > 0) {
    v.yaw = ini.real("Yaw");
    v.pitch = std::clamp(ini.real("Pitch"), -controlRange::pitchLimit, controlRange::pitchLimit);
    v.dist = ini.real("Dist");
    v.panX = ini.real("PanX");
    v.panY = ini.real("PanY");
  }
  if (ini.has("Tool")) {
    v.tool = static_cast<Tool>(controlRange::tool.pick(ini.integer("Tool")));
    v.brushColor = static_cast<uint32_t>(ini.integer("BrushColor")) & 0xFFFFFFu;
    v.brushSize = controlRange::brushSize.clamp(ini.integer("BrushSize"));
    v.opacity = controlRange::opacity.clamp(ini.integer("Opacity"));
    v.hardness = controlRange::hardness.clamp(ini.integer("Hardness"));
    v.brushTip = controlRange::brushTip.pick(ini.integer("BrushTip"));
    v.edges = ini.integer("Edges") != 0;
  }

  resizeLayerState(s_.document.layers, 0);
  resizeLayerState(s_.document.layers, s_.document.workModel.layerCount());
  const std::vector<std::string> colours = ini.fields("LayerColors");
  const std::vector<std::string> hidden = ini.fields("LayerHidden");
  const std::vector<std::string> locked = ini.fields("LayerLocked");
  for (int64_t i = 0; i < s_.document.layers.count(); ++i) {
    const auto k = static_cast<size_t>(i);
    if (k < colours.size() && !colours[k].empty())
      s_.document.layers.color[k] = static_cast<uint32_t>(leadingInt(colours[k])) & 0xFFFFFFu;
    if (k < hidden.size()) s_.document.layers.hidden[k] = leadingInt(hidden[k]) != 0;
    if (k < locked.size()) s_.document.layers.locked[k] = leadingInt(locked[k]) != 0;
  }
  const int64_t curLayer = ini.integer("CurLayer");
  s_.document.layers.curLayer = curLayer >= 0 && curLayer < s_.document.workModel.layerCount() ? curLayer : 0;
  s_.document.layers.onlyLayer = ini.integer("OnlyLayer") != 0;

  if (ini.has("ViewMode"))
    v.viewMode = static_cast<ViewMode>(controlRange::viewMode.pick(ini.integer("ViewMode")));
  if (s_.document.texture.TextureWidth >= 1) v.viewMode = ViewMode::texture;

  s_.document.projectPath = path;
  s_.document.projectChanged = fromAutosave;
  s_.document.texture.TextureModified = false;
  s_.mainWindow.autosaveTicks = 0;
  if (remember) {
    prefs_.lastProjectDir = folderOf(path);
    prefsFile_.writeText("LastProjectDir", prefs_.lastProjectDir);
    addRecent(prefs_, prefsFile_, path);
  }

  ui_.status(kStatusFile, fileNameOf(path));
  ui_.status(kStatusCounts, std::to_string(s_.document.workModel.triangleCount()) + " triangles, " +
                                std::to_string(s_.document.workModel.materialCount()) + " surfaces");
  ui_.status(kStatusNote, "");
  const FileFacts model = factsOf(s_.document.modelPath);
  if (model.exists && (model.size != s_.document.sourceSize || model.modified != s_.document.sourceDate))
    ui_.status(kStatusNote,
               "Note: " + fileNameOf(s_.document.modelPath) + " has changed since this project was made.");
  changes_ |= {.controls = true, .report = true, .uvView = true, .title = true, .view3d = true};
  return true;
}

bool Controller::newProjectDialog() {
  const std::string path =
      ui_.chooseOpen({"New project from a 3D model", prefs_.lastDir, "", kModelFilter});
  return !path.empty() && openFile(path);
}

bool Controller::openDialog() {
  const std::string path = ui_.chooseOpen({"Open", prefs_.lastProjectDir, "", kOpenFilter});
  return !path.empty() && openFile(path);
}

bool Controller::openRecent(int index) {
  if (index < 0 || index >= static_cast<int>(prefs_.recentFiles.size())) return false;
  // A copy: opening rewrites the list this entry lives in.
  const std::string path = prefs_.recentFiles[static_cast<size_t>(index)];
  return !path.empty() && openFile(path);
}

void Controller::openAtStart(const std::vector<std::string>& args) {
  if (!args.empty())
    openFile(args.front());
  else
    offerUntitledAutosave();
}

bool Controller::offerUntitledAutosave() {
  if (prefsFolder_.empty()) return false;
  const std::string path = prefsFolder_ + "untitled.autosave.qmap";
  const FileFacts facts = factsOf(path);
  if (!facts.exists || facts.size < 1) return false;
  if (ui_.message(kProgramName, "There is an autosave of a project that was never saved.\nOpen it?",
                  Icon::information, Buttons::yesNo) != Answer::yes) {
    removeFile(path);
    return false;
  }
  if (!applyProject(path, path, false, false)) return false;
  changes_.reopen3d = true;
  // The restored work was never saved: its next save asks for a name, and until then it
  // keeps autosaving to this same file.
  s_.document.projectPath.clear();
  s_.document.projectChanged = true;
  ui_.status(kStatusFile, fileNameOf(s_.document.modelPath));
  return true;
}

void Controller::changeSettings(const UnwrapSettings& settings, bool refresh) {
  s_.document.settings = settings;
  changes_.controls |= refresh;
  changes_ |= unwrapModel(s_, ui_);
}

void Controller::storeWindowSettings() { ::storeWindowSettings(prefsFile_, s_.document.settings); }

void Controller::applyPreferences(const PreferencesChoice& choice) {
  applyPreferencesChoice(prefs_, prefsFile_, choice);
}

void Controller::userGuide(const std::string& folder) {
  const std::string path = folder + kUserGuideFileName;
  if (!writeUserGuide(path) || !ui_.openDocument(path))
    ui_.message("Help", shortHelpText(), Icon::information, Buttons::ok);
}

// ---- Saving --------------------------------------------------------------------------------

bool Controller::saveProject(const std::string& path, bool copy, bool autosave) {
  const std::string temporary = path + ".tmp";
  resizeLayerState(s_.document.layers, s_.document.workModel.layerCount());
  const UnwrapSettings& u = s_.document.settings;
  const ViewState& v = s_.document.view;
  const StencilState& st = s_.document.stencil;
  const PatternState& pa = s_.document.pattern;

  IniWriter ini;
  ini.addInt("Version", 2);
  ini.add("Source", s_.document.modelPath);
  ini.addInt("SourceSize", s_.document.sourceSize);
  ini.addInt("SourceDate", s_.document.sourceDate);
  ini.addInt("MapMode", static_cast<int>(u.mapMode));
  ini.addInt("TexW", u.layoutWidth);
  ini.addInt("TexH", u.layoutHeight);
  ini.addInt("Angle", u.maxAngle);
  ini.addInt("Margin", u.margin);
  ini.addInt("Stretch", u.maxStretch);
  ini.addInt("Rotate", u.rotateMode);
  ini.addInt("UpAxis", u.upAxisChoice);
  ini.addInt("Merge", u.mergeSurfaces);
  ini.addInt("Mirror", u.mirrorAxis);
  ini.addInt("Locked", s_.document.layoutLocked || s_.layoutChange.layoutChanging);
  ini.add("ExportFile", s_.document.exportPath);
  ini.add("TextureFile", s_.document.texture.TextureFile);
  ini.add("Info", escapeInfo(s_.document.reportText));
  ini.addInt("ViewMode", static_cast<int>(v.viewMode));
  ini.addReal("Yaw", v.yaw, 4);
  ini.addReal("Pitch", v.pitch, 4);
  ini.addReal("Dist", v.dist, 6);
  ini.addReal("PanX", v.panX, 6);
  ini.addReal("PanY", v.panY, 6);
  ini.addInt("Tool", static_cast<int>(v.tool));
  ini.addInt("BrushColor", v.brushColor);
  ini.addInt("BrushSize", v.brushSize);
  ini.addInt("Opacity", v.opacity);
  ini.addInt("Hardness", v.hardness);
  ini.addInt("BrushTip", v.brushTip);
  ini.addInt("Edges", v.edges);
  ini.addInt("LayerUnwrap", u.layerUnwrap);
  ini.addInt("CurLayer", s_.document.layers.curLayer);
  ini.addInt("OnlyLayer", s_.document.layers.onlyLayer);
  std::vector<std::string> colours, hidden, locked;
  for (int64_t i = 0; i < s_.document.layers.count(); ++i) {
    colours.push_back(std::to_string(s_.document.layers.color[i]));
    hidden.push_back(std::to_string(s_.document.layers.hidden[i] ? 1 : 0));
    locked.push_back(std::to_string(s_.document.layers.locked[i] ? 1 : 0));
  }
  ini.add("LayerColors", joinFields(colours));
  ini.add("LayerHidden", joinFields(hidden));
  ini.add("LayerLocked", joinFields(locked));
  if (st.image.loaded()) {
    ini.add("StencilFile", "stencil." + st.image.fileExt);
    ini.addReal("StencilX", st.x, 2);
    ini.addReal("StencilY", st.y, 2);
    ini.addReal("StencilScale", st.scale, 6);
    ini.addReal("StencilAngle", st.angle, 3);
    ini.addInt("StencilShow", st.show);
    ini.addInt("StencilOpacity", st.opacity);
  }
  ini.addInt("PaintSource", static_cast<int>(v.paintSource));
  ini.addReal("PatternTile", pa.tile, 4);
  ini.addInt("PatternTint", pa.tint);
  ini.addInt("PatternRotate", pa.rotate);
  ini.addInt("PatternMapping", pa.mapping);
  ini.add("PatternOffset", fixedText(pa.offsetX, 3) + "," + fixedText(pa.offsetY, 3));
  if (pa.anchorFace >= 0) {
    ini.addInt("AnchorFace", pa.anchorFace);
    const double values[8] = {pa.anchorBary[0], pa.anchorBary[1], pa.anchorUp[0],
                              pa.anchorUp[1],   pa.anchorUp[2],   pa.anchorRight[0],
                              pa.anchorRight[1], pa.anchorRight[2]};
    std::vector<std::string> fields;
    for (double d : values) fields.push_back(fixedText(d, 6));
    ini.add("Anchor", joinFields(fields));
  }
  if (pa.image.loaded()) ini.add("PatternFile", "pattern." + pa.image.fileExt);

  std::vector<ArchiveEntry> entries;
  entries.push_back({"project.ini", std::vector<uint8_t>(ini.text().begin(), ini.text().end())});
  entries.push_back({"source.bin", writeModelSnapshot(s_.document.sourceModel)});
  entries.push_back({"model.bin", writeModelSnapshot(s_.document.workModel)});
  if (s_.document.texture.TextureWidth >= 1) {
    Image picture;
    picture.width = static_cast<int>(s_.document.texture.TextureWidth);
    picture.height = static_cast<int>(s_.document.texture.TextureHeight);
    picture.pixels = s_.document.texture.TexturePixels;
    std::vector<uint8_t> png = encodePng(picture, false);
    const bool encoded = !png.empty();
    entries.push_back({"texture.png", std::move(png), encoded});
  }
  if (st.image.loaded()) entries.push_back({"stencil." + st.image.fileExt, st.image.fileBytes});
  if (pa.image.loaded()) entries.push_back({"pattern." + pa.image.fileExt, pa.image.fileBytes});

  switch (writeZipArchive(temporary, entries, syncFile)) {
    case ArchiveWrite::cannotCreate:
      if (!autosave) error("Cannot write " + temporary);
      return false;
    case ArchiveWrite::entryFailed:
      removeFile(temporary);
      if (!autosave) error("Could not save the project.");
      return false;
    case ArchiveWrite::ok:
      break;
  }
  std::string backup;
  if (factsOf(path).exists) {
    if (autosave) {
      removeFile(path);
    } else {
      backup = folderOf(path) + withoutExtension(fileNameOf(path)) + ".bak";
      removeFile(backup);
      if (!renameFile(path, backup)) backup.clear();
    }
  }
  if (!renameFile(temporary, path)) {
    // Put the previous project back where the user expects it; the new one stays in the
    // temporary file.
    if (!backup.empty()) renameFile(backup, path);
    if (!autosave) error("Could not save " + path);
    return false;
  }
  if (!copy && !autosave) {
    // The autosave that belonged to the project before this save goes, unless the user just
    // saved over that very file.
    if (!sameTextIgnoringCase(autosavePath(), path)) removeFile(autosavePath());
    s_.document.projectPath = path;
    s_.document.projectChanged = false;
    s_.document.texture.TextureModified = false;
    s_.mainWindow.autosaveTicks = 0;
    prefs_.lastProjectDir = folderOf(path);
    prefsFile_.writeText("LastProjectDir", prefs_.lastProjectDir);
    addRecent(prefs_, prefsFile_, path);
  }
  return true;
}

bool Controller::save() {
  if (!s_.document.modelLoaded) return false;
  if (s_.document.projectPath.empty()) return saveAs(false);
  if (!saveProject(s_.document.projectPath, false, false)) return false;
  ui_.status(kStatusNote, "Project saved: " + fileNameOf(s_.document.projectPath));
  return true;
}

bool Controller::saveAs(bool copy) {
  if (!s_.document.modelLoaded) return false;
  FileDialog dialog;
  dialog.title = copy ? "Save a copy of the project" : "Save project as";
  const std::string& base =
      s_.document.projectPath.empty() ? s_.document.modelPath : s_.document.projectPath;
  dialog.folder = folderOf(base);
  dialog.fileName = withoutExtension(fileNameOf(base)) +
                    (copy && !s_.document.projectPath.empty() ? "_copy" : "") + ".qmap";
  dialog.filter = kProjectFilter;
  std::string path = ui_.chooseSave(dialog);
  if (path.empty()) return false;
  if (lowerExtension(path) != "qmap") path += ".qmap";
  if (factsOf(path).exists && !sameTextIgnoringCase(path, s_.document.projectPath) &&
      !ui_.confirmOverwrite(kProgramName, fileNameOf(path) + " already exists. Overwrite it?",
                            {fileNameOf(path)}))
    return false;
  if (!saveProject(path, copy, false)) return false;
  ui_.status(kStatusNote, (copy ? "Copy saved: " : "Project saved: ") + fileNameOf(path));
  return true;
}

bool Controller::allowDiscard() {
  if (!projectCountsAsChanged()) return true;
  switch (ui_.message(kProgramName, "The project has changes that are not saved.\nSave them now?",
                      Icon::warning, Buttons::yesNoCancel)) {
    case Answer::yes:
      return save();
    case Answer::no:
      removeFile(autosavePath());
      return true;
    default:
      return false;
  }
}

void Controller::quit() {
  if (allowDiscard()) changes_.quit = true;
}

void Controller::autosaveTick(const std::string& clock) {
  if (prefs_.autosave <= 0 || !s_.document.modelLoaded || s_.layoutChange.layoutChanging ||
      autosavePath().empty())
    return;
  if (!projectCountsAsChanged()) {
    s_.mainWindow.autosaveTicks = 0;
    return;
  }
  if (++s_.mainWindow.autosaveTicks < prefs_.autosave) return;
  if (saveProject(autosavePath(), false, true)) ui_.status(kStatusNote, "Autosaved at " + clock);
  s_.mainWindow.autosaveTicks = 0;
}

bool Controller::projectCountsAsChanged() const {
  return s_.document.modelLoaded &&
         (s_.document.projectChanged || s_.document.texture.TextureModified);
}

std::string Controller::mainTitle() const {
  std::string title = kProgramName;
  if (s_.document.modelLoaded) {
    if (s_.document.projectPath.empty())
      title += " - " + withoutExtension(fileNameOf(s_.document.modelPath)) + " (not saved)";
    else
      title += " - " + fileNameOf(s_.document.projectPath);
  }
  if (projectCountsAsChanged()) title += " *";
  return title;
}

std::string Controller::autosavePath() const {
  if (!s_.document.projectPath.empty()) return s_.document.projectPath + ".autosave";
  return prefsFolder_.empty() ? "" : prefsFolder_ + "untitled.autosave.qmap";
}

void Controller::error(const std::string& text) {
  ui_.message(kProgramName, text, Icon::error, Buttons::ok);
}
