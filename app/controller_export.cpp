// The export to a Serious Sam folder and the Texture menu's image files.
#include <filesystem>
#include <new>

#include "app/controller.h"
#include "app/export_job.h"
#include "app/export_plan.h"
#include "app/unwrap_driver.h"
#include "base/file_io.h"
#include "export/uv_layout.h"
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
  settle();
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
                 texture.width() > 0, exists);
  if (!plan.overwrite.empty() &&
      !ui_.confirmOverwrite(kProgramName,
                            "These files already exist:\n" + plan.overwriteLines + "\nOverwrite them?",
                            plan.overwrite))
    return false;

  auto inputs = std::make_shared<const ExportInputs>(ExportInputs{
      plan, s_.document.workModel, texture.pixels(), texture.width(), texture.height(),
      s_.document.settings.layoutWidth, s_.document.settings.layoutHeight, prefs_.seriousSamRoot});
  auto outcome = std::make_shared<ExportOutcome>();
  auto started = std::make_shared<bool>(true);
  const bool piecesFit = s_.document.stats.piecesFit;
  jobs_->start(
      JobKind::exportFiles,
      [inputs, outcome](Progress& progress) { *outcome = writeExport(*inputs, &progress); },
      [this, outcome, started, path, samePlace = plan.samePlace, piecesFit](bool) {
        // Once the files are in place the export has happened, whatever was asked since.
        *started = finishExport(*outcome, path, samePlace, piecesFit);
      });
  return *started;
}

bool Controller::finishExport(const ExportOutcome& outcome, const std::string& path,
                              bool samePlace, bool piecesFit) {
  if (!outcome.done) {
    if (outcome.modelMessage.empty())
      ui_.status(kStatusNote, kExportCancelledNote);
    else
      error(outcome.modelMessage);
    return false;
  }
  for (const std::string& warning : outcome.warnings)
    ui_.message(kProgramName, warning, Icon::warning, Buttons::ok);
  std::string report = outcome.report;
  if (outcome.leftOut > 0)
    report += "; " + std::to_string(outcome.leftOut) +
              (outcome.leftOut == 1 ? " zero-area triangle left out" : " zero-area triangles left out");
  // The report of the layout said so; it bears repeating where the export is confirmed.
  if (!piecesFit) report += std::string("; ") + kPiecesDoNotFit;
  if (!samePlace) {
    s_.document.exportPath = path;
    s_.document.projectChanged = true;
  }
  ui_.status(kStatusNote, report);
  return true;
}

// ---- Texture menu --------------------------------------------------------------------------

bool Controller::writeTextureImage(const std::string& path) {
  Texture& t = s_.document.texture;
  if (t.width() <= 0) return false;
  bool saved = false;
  try {
    saved = savePicture(path, t.pixels(), static_cast<int>(t.width()),
                        static_cast<int>(t.height()));
  } catch (const std::bad_alloc&) {
  }
  if (saved) t.setFile(path);
  return saved;
}

bool Controller::exportTexture() {
  const Texture& t = s_.document.texture;
  if (t.width() <= 0) {
    ui_.message("Export texture", "There is no texture yet.", Icon::information, Buttons::ok);
    return false;
  }
  int filter = 0;
  std::string path = ui_.chooseSaveFiltered(
      {"Export texture", folderOf(t.file()), fileNameOf(t.file()), kTextureFilter},
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
      {"Import texture", folderOf(t.file()), fileNameOf(t.file()), kImportFilter});
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
  dropAlpha(image->pixels);
  t.replaceWith(std::move(*image), path);
  s_.document.view.viewMode = ViewMode::texture;
  changes_ |= {.uvView = true, .title = true, .view3d = true};
  return true;
}

bool Controller::exportUvOverlay() {
  if (!s_.document.modelLoaded) {
    error(kNoModelToExport);
    return false;
  }
  const std::string& textureFile = s_.document.texture.file();
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
