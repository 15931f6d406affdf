#include "app/batch_run.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <filesystem>
#include <ostream>

#include "app/background_job.h"
#include "app/controller.h"
#include "app/layout_change.h"
#include "app/preferences.h"
#include "app/render_inputs.h"
#include "app/session.h"
#include "app/ui.h"
#include "app/unwrap_driver.h"
#include "base/file_io.h"
#include "export/uv_layout.h"
#include "image/image.h"
#include "render/camera.h"
#include "render/test_pattern.h"

namespace {

// Boxes go to the error stream; questions are answered by --yes, else No, since nobody is
// there to ask. The file dialogs "choose" what the command line named for the step at hand.
class BatchUi : public Ui {
 public:
  // terminal: the error stream is a terminal, where the unwrap shows its progress.
  BatchUi(std::ostream& err, bool yes, bool terminal) : err_(err), yes_(yes) {
    if (terminal)
      progress_.emplace([this](ProgressStage stage, double fraction) { showProgress(stage, fraction); });
  }
  Progress* unwrapProgress() override { return progress_ ? &*progress_ : nullptr; }
  Answer message(const std::string&, const std::string& text, Icon icon, Buttons buttons) override {
    if (buttons != Buttons::ok && answer_) return *std::exchange(answer_, std::nullopt);
    if (yesToAll_ && buttons != Buttons::ok) return Answer::yes;  // answered by the command line
    if (buttons == Buttons::ok) {
      err_ << text << "\n";
      if (icon == Icon::warning || icon == Icon::error) ++problems_;
      return Answer::ok;
    }
    err_ << text << "\n";
    return yes_ ? Answer::yes : Answer::no;
  }
  // With --yes nobody is asked: an overwrite is reported as done, not as a question.
  bool confirmOverwrite(const std::string& title, const std::string& question,
                        const std::vector<std::string>& files) override {
    if (!yes_) return Ui::confirmOverwrite(title, question, files);
    std::string names;
    for (const std::string& file : files) names += (names.empty() ? "" : ", ") + file;
    err_ << "Overwriting: " << names << "\n";
    return true;
  }
  std::string chooseOpen(const FileDialog&) override { return openPath_; }
  std::string chooseSave(const FileDialog&) override { return savePath_; }
  void status(int field, const std::string& text) override {
    if (field == kStatusNote) note_ = text;
  }

  // What the next dialogs choose, and whether questions are answered Yes regardless of --yes
  // (the scale question of --texture).
  void setChoices(std::string open, std::string save, bool yesToAll = false) {
    openPath_ = std::move(open);
    savePath_ = std::move(save);
    yesToAll_ = yesToAll;
  }
  // The answer to the next question, which the command line gave.
  void answerNext(Answer answer) { answer_ = answer; }
  // Warning and error boxes shown so far.
  int problems() const { return problems_; }
  // The last note of the status bar; taking it empties it.
  std::string takeNote() { return std::exchange(note_, std::string()); }

 private:
  // One line that is written over; it goes when the unwrap ends.
  void showProgress(ProgressStage stage, double fraction) {
    if (stage == ProgressStage::done) {
      err_ << "\r\033[K" << std::flush;
      shownPercent_ = -1;
      return;
    }
    const int percent = static_cast<int>(jobFraction(JobKind::unwrap, stage, fraction) * 100);
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    err_ << "\r\033[K" << jobText(JobKind::unwrap, stage) << " " << percent << "%" << std::flush;
  }

  std::ostream& err_;
  bool yes_;
  std::optional<Progress> progress_;
  int shownPercent_ = -1;
  bool yesToAll_ = false;
  std::optional<Answer> answer_;
  std::string openPath_, savePath_;
  std::string note_;
  int problems_ = 0;
};

// The 3D view as the 3D window shows it right after "Reset view", or turned to the given
// angles: the document's view mode, edges, texture and layer colours, without overlays.
Image renderedView(const Document& document, const BatchOptions& options) {
  const Model& model = document.workModel;
  const Framing framing = frameModel(model);
  Camera camera = resetCamera(framing);
  camera.yaw = options.yaw.value_or(camera.yaw);
  camera.pitch = options.pitch.value_or(camera.pitch);
  const Image testPattern =
      makeTestPattern(document.settings.layoutWidth, document.settings.layoutHeight);
  RenderInputs in = renderInputsOf(document, framing, camera, testPattern);
  in.mode = options.viewMode.value_or(document.view.viewMode);
  // The canvas of a 3D window opened at 910 x 730.
  const auto [width, height] = options.viewSize.value_or(kDefaultViewSize);
  View3D view;
  renderView(view, width, height, model, in);
  return std::move(view.viewColour);
}

// Writes the rendered view to options.renderPath; false (after saying why) when the file is
// not written.
bool writeRenderedView(const Document& document, const BatchOptions& options, BatchUi& ui,
                       std::ostream& out, std::ostream& err) {
  std::string path = options.renderPath;
  if (lowerExtension(path) != "png") path += ".png";
  const std::string name = fileNameOf(path);
  std::error_code ec;
  if (std::filesystem::exists(path, ec) &&
      !ui.confirmOverwrite(kProgramName, name + " already exists. Overwrite it?", {name}))
    return false;
  const Image picture = renderedView(document, options);
  const std::vector<uint8_t> png = encodePng(picture, false);
  if (writeWholeFile(path, png.data(), png.size()) != FileWrite::ok) {
    err << "Cannot write " << path << "\n";
    return false;
  }
  out << "Rendered " << name << " (" << picture.width << " x " << picture.height << ")\n";
  return true;
}

// --change-layout on the opened project: the change and its unwrap with the options given.
// Returns the exit status.
int changeLayout(Session& session, BatchUi& ui, const BatchOptions& options, std::ostream& err) {
  if (!session.document.layoutLocked) {
    err << "--change-layout needs a project whose layout is locked\n";
    return kUsageError;
  }
  ui.answerNext(*options.paintingFollows ? Answer::yes : Answer::no);
  startLayoutChange(session, ui);
  for (const auto& change : options.unwrapChanges) change(session.document.settings);
  unwrapModel(session, ui);
  return kOk;
}

// --lock or --cancel: ends the change under way, begun by --change-layout or saved in the
// opened project. Returns the exit status.
int endLayoutChange(Session& session, BatchUi& ui, bool lock, std::ostream& err) {
  if (!session.layoutChange.layoutChanging) {
    err << "--lock and --cancel go with --change-layout or a project saved during a layout "
           "change\n";
    return kUsageError;
  }
  if (lock)
    lockNewLayout(session, ui);
  else
    cancelLayoutChange(session, ui);
  const std::string note = ui.takeNote();
  if (!note.empty()) err << note << "\n";
  return kOk;
}

// The user's preferences, read (the Serious Sam folder, export choices) but never changed by
// a batch run, with --root and --write in place of theirs.
Preferences batchPreferences(const BatchOptions& options, PreferencesFile& prefsFile) {
  Preferences prefs = loadPreferences(prefsFile, "");
  if (options.seriousSamRoot) {
    // As the Preferences dialog stores it: with a trailing separator.
    prefs.seriousSamRoot = *options.seriousSamRoot;
    const std::string& root = prefs.seriousSamRoot;
    if (!root.empty() && root.back() != '/' && root.back() != '\\') prefs.seriousSamRoot += '/';
  }
  if (options.exportChoice) {
    prefs.writeScript = options.exportChoice->script;
    prefs.writeTexture = options.exportChoice->tga;
    prefs.writeTex = options.exportChoice->tex;
    prefs.writePNG = options.exportChoice->uvPicture;
  }
  return prefs;
}

// Opens the file, unwraps it again when the options change the settings, and makes or ends a
// layout change. Returns the exit status.
int openAndUnwrap(Session& session, Controller& controller, BatchUi& ui,
                  const BatchOptions& options, std::ostream& err) {
  const bool isProject = lowerExtension(options.path) == "qmap";
  if (!isProject)
    for (const auto& change : options.unwrapChanges) change(session.document.settings);
  if (!controller.openFile(options.path)) return kFileError;
  if (options.paintingFollows) {
    if (const int status = changeLayout(session, ui, options, err); status != kOk) return status;
  } else if (isProject && !options.unwrapChanges.empty() && session.document.layoutLocked) {
    err << "The layout of " << fileNameOf(options.path)
        << " is locked (it is painted): change it with --change-layout keep or empty\n";
    return kUsageError;
  } else if (isProject ? !options.unwrapChanges.empty()
                       : options.axisGiven) {
    // As a user would: change the controls after opening, which unwraps again.
    for (const auto& change : options.unwrapChanges) change(session.document.settings);
    unwrapModel(session, ui);
  }
  if (options.lockAfterChange)
    if (const int status = endLayoutChange(session, ui, *options.lockAfterChange, err); status != kOk)
      return status;
  return kOk;
}

// --texture, then the stencil, the pattern and --paint. Returns the exit status.
int importAndPaint(Session& session, Controller& controller, BatchUi& ui, const Preferences& prefs,
                   const BatchOptions& options, std::ostream& out, std::ostream& err) {
  if (!options.texturePath.empty()) {
    // The scale question is answered Yes: the texture is meant for this layout.
    ui.setChoices(options.texturePath, "", true);
    const bool imported = controller.importTexture();
    ui.setChoices("", "");
    if (!imported) return kFileError;
  }

  if (!options.paintScripts.empty() || options.sources.any()) {
    const auto [width, height] = options.viewSize.value_or(kDefaultViewSize);
    const PaintRun run =
        runPaintScripts(session, controller, ui, prefs, options.paintScripts, options.brush,
                        options.sources, {width, height, options.yaw, options.pitch}, out);
    if (run == PaintRun::imageNotLoaded) return kFileError;
    if (run == PaintRun::noAnchor) {
      err << "--anchor " << options.sources.anchor->first << "," << options.sources.anchor->second
          << ": the model is not there, or is seen edge-on\n";
      return kUsageError;
    }
  }
  return kOk;
}

// The files the options ask for: the UV picture, the rendered view, the export and the saved
// project. Returns the exit status.
int writeOutputs(Session& session, Controller& controller, BatchUi& ui,
                 const BatchOptions& options, std::ostream& out, std::ostream& err) {
  int status = kOk;
  if (!options.uvPicturePath.empty()) {
    const Image picture =
        uvLayoutImage(session.document.workModel, session.document.settings.layoutWidth,
                      session.document.settings.layoutHeight);
    if (!savePicture(options.uvPicturePath, picture.pixels, picture.width, picture.height)) {
      err << "Cannot write " << options.uvPicturePath << "\n";
      status = kFileError;
    }
  }
  if (!options.renderPath.empty() && !writeRenderedView(session.document, options, ui, out, err))
    status = kFileError;
  if (!options.exportPath.empty()) {
    const std::string earlier = ui.takeNote();
    if (!earlier.empty()) err << earlier << "\n";
    ui.setChoices("", options.exportPath);
    const int problemsBefore = ui.problems();
    // A failed script or .tex leaves the export standing but the run counts as failed.
    if (!controller.exportToSeriousSam() || ui.problems() != problemsBefore) status = kFileError;
    const std::string report = ui.takeNote();
    if (!report.empty()) out << report << "\n";
  }
  ui.setChoices("", options.savePath);
  if (!options.savePath.empty() && !controller.saveAs(false)) status = kFileError;
  const std::string note = ui.takeNote();
  if (!note.empty()) err << note << "\n";
  return status;
}

}  // namespace

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  const char* home = std::getenv("HOME");
  const std::string prefsFolder = preferencesFolder(home ? home : "");
  PreferencesFile prefsFile(preferencesPath(prefsFolder), true);
  Preferences prefs = batchPreferences(options, prefsFile);
  Session session;
  BatchUi ui(err, options.yes, &err == &std::cerr && ::isatty(STDERR_FILENO));
  Controller controller(session, ui, prefs, prefsFile, prefsFolder);

  if (const int status = openAndUnwrap(session, controller, ui, options, err); status != kOk)
    return status;
  out << session.document.reportText;
  if (const int status = importAndPaint(session, controller, ui, prefs, options, out, err);
      status != kOk)
    return status;
  return writeOutputs(session, controller, ui, options, out, err);
}
