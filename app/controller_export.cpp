// The export to a Serious Sam folder and the Texture menu's image files.
#include <filesystem>
#include <new>

#include "app/controller.h"
#include "app/export_plan.h"
#include "app/unwrap_driver.h"
#include "base/file_io.h"
#include "export/pad.h"
#include "export/script.h"
#include "export/tex.h"
#include "export/uv_layout.h"
#include "export/write3ds.h"
#include "image/image.h"

namespace {

namespace fs = std::filesystem;

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// The same file under another spelling (a link, "..", "./"); only for paths that exist.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

constexpr const char* kExportTitle =
    "Export to Serious Sam (choose a folder inside the Serious Sam folder)";
constexpr const char* kNoSeriousSamFolder =
    "The Serious Sam folder is not set on this computer (Tools > Preferences...).";
constexpr const char* kWindowsPathAsName =
    "A file name with \"\\\" looks like a Windows path. Choose a folder on this computer.";
constexpr const char* kTextureFilter =
    "PNG image (*.png)|*.png|Targa (*.tga)|*.tga|Bitmap (*.bmp)|*.bmp";
// The menu offers these only with a model; a command line may still ask for them.
constexpr const char* kNoModelToExport = "There is no model to export.";
constexpr const char* kImportFilter =
    "Images (*.png;*.tga;*.bmp;*.jpg)|*.png;*.tga;*.bmp;*.jpg;*.jpeg|All files (*.*)|*.*";

// The .scr beside the .3ds, naming the model by its place in the Serious Sam folder.
void writeExportScript(const ExportPlan& plan, const Preferences& prefs, int layoutW, int layoutH,
                       Ui& ui, std::string& report) {
  const std::string& path = plan.modelPath;
  const std::string& scriptPath = plan.scriptPath;
  std::string root = findSeriousSamFolder(path);
  if (root.empty()) root = prefs.seriousSamRoot;
  const ScriptPlace place = placeInSeriousSam(path, root);
  std::string problem = place.message;
  if (place.ok) {
    const ScriptWrite written =
        writeScript(scriptPath, place.directory, place.name, layoutW, layoutH);
    if (written.ok)
      report += " + .scr";
    else
      problem = written.message;
  }
  if (!problem.empty())
    ui.message(kProgramName, "The model is exported, but the script (.scr) is not:\n\n" + problem,
               Icon::warning, Buttons::ok);
}

// The padded copy of the Texture as .tga and .tex, as the plan says.
void writeExportTextures(const ExportPlan& plan, const Model& workModel, const Texture& texture,
                         int layoutW, int layoutH, Ui& ui, std::string& report) {
  const bool wantTga = !plan.tgaPath.empty(), wantTex = !plan.texPath.empty();
  const std::string& tgaPath = plan.tgaPath;
  const std::string& texPath = plan.texPath;
  if (wantTga || wantTex) {
    // The Texture itself stays as painted; only the exported copy is padded.
    std::vector<uint32_t> padded;
    bool paddedOk = true;
    try {
      padded = padTexture(&workModel, texture.TexturePixels, texture.TextureWidth,
                          texture.TextureHeight);
    } catch (const std::bad_alloc&) {
      paddedOk = false;
    }
    const int64_t w = texture.TextureWidth, h = texture.TextureHeight;
    if (wantTga && paddedOk &&
        savePicture(tgaPath, padded, static_cast<int>(w), static_cast<int>(h)))
      report += " + .tga";
    if (wantTex) {
      const MexSize mex = expectedMex(layoutW, layoutH);
      const TexWrite tex = paddedOk ? writeTex(padded, w, h, texPath, mex.width, mex.height)
                                    : TexWrite{false, false, "Not enough memory to write " + texPath};
      if (tex.ok)
        report += std::string(" + .tex") + (tex.scaled ? " (scaled down to max. 1024)" : "");
      else
        ui.message(kProgramName, "The .tex texture is not written:\n\n" + tex.message,
                   Icon::warning, Buttons::ok);
    }
  }
}

}  // namespace

std::string Controller::chooseExportPath() {
  const std::string& named =
      s_.document.projectPath.empty() ? s_.document.modelPath : s_.document.projectPath;
  const std::string stem = withoutExtension(fileNameOf(named));
  std::string proposed = s_.document.exportPath;
  if (proposed.empty()) proposed = prefs_.seriousSamRoot + stem + ".3ds";
  // The preference may name a folder of another machine (its default is a Windows path): the
  // requester then starts beside the model, says so, and the path is never taken as a name.
  std::string note;
  if (!isFolder(folderOf(proposed))) {
    proposed = folderOf(named) + stem + ".3ds";
    if (!isFolder(prefs_.seriousSamRoot)) note = kNoSeriousSamFolder;
  }
  std::string path = ui_.chooseSave({kExportTitle, folderOf(proposed), fileNameOf(proposed),
                                     "3D Studio (*.3ds)|*.3ds", note});
  if (path.empty()) return "";
  if (fileNameOf(path).find('\\') != std::string::npos) {
    ui_.message(kProgramName, kWindowsPathAsName, Icon::warning, Buttons::ok);
    return "";
  }
  if (lowerExtension(path) != "3ds") path += ".3ds";
  // The model file is never overwritten, whatever spelling of its path was chosen.
  if (sameTextIgnoringCase(path, s_.document.modelPath) || sameFile(path, s_.document.modelPath)) {
    ui_.message(kProgramName, "This is the original model file. Choose another name.",
                Icon::warning, Buttons::ok);
    return "";
  }
  return path;
}

bool Controller::exportToSeriousSam() {
  if (!s_.document.modelLoaded) {
    error(kNoModelToExport);
    return false;
  }
  if (s_.layoutChange.layoutChanging) {
    ui_.message(kProgramName, "Lock or cancel the layout change first.", Icon::information,
                Buttons::ok);
    return false;
  }
  const std::string path = chooseExportPath();
  if (path.empty()) return false;
  const Texture& texture = s_.document.texture;
  const ExportPlan plan =
      exportPlan(path, s_.document.exportPath,
                 {prefs_.writeScript, prefs_.writeTexture, prefs_.writeTex, prefs_.writePNG},
                 texture.TextureWidth > 0, exists);
  if (!plan.overwrite.empty() &&
      !ui_.confirmOverwrite(kProgramName,
                            "These files already exist:\n" + plan.overwriteLines + "\nOverwrite them?",
                            plan.overwrite))
    return false;

  const Encoded3ds model = write3ds(s_.document.workModel, path);
  if (!model.ok) {
    error(model.message);
    return false;
  }
  std::string report = "Exported " + plan.fileName;
  const int layoutW = s_.document.settings.layoutWidth, layoutH = s_.document.settings.layoutHeight;
  if (!plan.scriptPath.empty()) writeExportScript(plan, prefs_, layoutW, layoutH, ui_, report);
  writeExportTextures(plan, s_.document.workModel, texture, layoutW, layoutH, ui_, report);
  if (!plan.uvPicturePath.empty()) {
    const Image picture = uvLayoutImage(s_.document.workModel, layoutW, layoutH);
    if (savePicture(plan.uvPicturePath, picture.pixels, picture.width, picture.height))
      report += " + UV layout";
  }

  if (model.leftOut > 0)
    report += "; " + std::to_string(model.leftOut) +
              (model.leftOut == 1 ? " zero-area triangle left out" : " zero-area triangles left out");
  // The report of the layout said so; it bears repeating where the export is confirmed.
  if (!s_.document.stats.piecesFit)
    report += std::string("; ") + kPiecesDoNotFit;

  if (!plan.samePlace) {
    s_.document.exportPath = path;
    s_.document.projectChanged = true;
  }
  ui_.status(kStatusNote, report);
  return true;
}

// ---- Texture menu --------------------------------------------------------------------------

bool Controller::writeTextureImage(const std::string& path) {
  Texture& t = s_.document.texture;
  if (t.TextureWidth <= 0) return false;
  bool saved = false;
  try {
    saved = savePicture(path, t.TexturePixels, static_cast<int>(t.TextureWidth),
                        static_cast<int>(t.TextureHeight));
  } catch (const std::bad_alloc&) {
  }
  if (saved) t.TextureFile = path;
  return saved;
}

bool Controller::exportTexture() {
  const Texture& t = s_.document.texture;
  if (t.TextureWidth <= 0) {
    ui_.message("Export texture", "There is no texture yet.", Icon::information, Buttons::ok);
    return false;
  }
  int filter = 0;
  std::string path = ui_.chooseSaveFiltered(
      {"Export texture", folderOf(t.TextureFile), fileNameOf(t.TextureFile), kTextureFilter},
      filter);
  if (path.empty()) return false;
  const std::string ext = lowerExtension(path);
  if (ext != "png" && ext != "tga" && ext != "bmp")
    path += filter == 1 ? ".tga" : filter == 2 ? ".bmp" : ".png";
  if (exists(path) &&
      !ui_.confirmOverwrite("3D preview", fileNameOf(path) + " already exists. Overwrite it?",
                            {fileNameOf(path)}))
    return false;
  if (!writeTextureImage(path)) {
    ui_.message("3D preview", "Could not save " + path, Icon::error, Buttons::ok);
    return false;
  }
  changes_.title = true;  // the 3D window's title names the file
  return true;
}

bool Controller::importTexture() {
  Texture& t = s_.document.texture;
  const std::string path = ui_.chooseOpen(
      {"Import texture", folderOf(t.TextureFile), fileNameOf(t.TextureFile), kImportFilter});
  if (path.empty()) return false;
  std::optional<Image> image;
  std::string why;
  try {
    image = loadImage(path, &why);
  } catch (const std::bad_alloc&) {
    image.reset();
    why = "not enough memory";
  }
  if (!image) {
    ui_.message("Import texture", "Could not load " + path + ": " + why, Icon::error,
                Buttons::ok);
    return false;
  }
  const int w = s_.document.settings.layoutWidth, h = s_.document.settings.layoutHeight;
  if ((image->width != w || image->height != h) &&
      ui_.message("Import texture",
                  fileNameOf(path) + " is " + std::to_string(image->width) + " x " +
                      std::to_string(image->height) +
                      " pixels, the texture size of the project is " + std::to_string(w) +
                      " x " + std::to_string(h) + ".\nScale it to the project size?",
                  Icon::information, Buttons::yesNo) == Answer::yes) {
    try {
      *image = scaleBilinear(*image, w, h);
    } catch (const std::bad_alloc&) {
      ui_.message("Import texture", "Could not load " + path + ": not enough memory", Icon::error,
                  Buttons::ok);
      return false;
    }
  }
  if (t.TextureWidth > 0) BeginTextureStep(t);
  dropAlpha(image->pixels);
  t.TexturePixels = std::move(image->pixels);
  t.TextureWidth = image->width;
  t.TextureHeight = image->height;
  t.TextureFile = path;
  t.TextureModified = true;
  ++t.TextureRevision;
  s_.document.view.viewMode = ViewMode::texture;
  changes_ |= {.uvView = true, .title = true, .view3d = true};
  return true;
}

bool Controller::exportUvOverlay() {
  if (!s_.document.modelLoaded) {
    error(kNoModelToExport);
    return false;
  }
  const std::string& textureFile = s_.document.texture.TextureFile;
  const std::string folder = folderOf(textureFile.empty() ? s_.document.modelPath : textureFile);
  std::string path =
      ui_.chooseSave({"Export UV layout as a transparent overlay", folder,
                      withoutExtension(fileNameOf(s_.document.modelPath)) + "_uv_overlay.png",
                      "PNG image (*.png)|*.png"});
  if (path.empty()) return false;
  if (lowerExtension(path) != "png") path += ".png";
  const Image overlay = uvOverlayImage(s_.document.workModel, s_.document.settings.layoutWidth,
                                       s_.document.settings.layoutHeight);
  const std::vector<uint8_t> png = encodePng(overlay, true);
  // A write that fails halfway leaves no cut-off picture behind.
  if (png.empty() || writeWholeFile(path, png.data(), png.size()) != FileWrite::ok) {
    error("Could not save " + path);
    return false;
  }
  ui_.status(kStatusNote, "Exported " + fileNameOf(path));
  return true;
}
