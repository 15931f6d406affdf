#include "app/controller.h"

#include "app/help.h"
#include "app/layout_change.h"
#include "app/unwrap_driver.h"
#include "app/window_rules.h"
#include "base/file_io.h"
#include "model/readers.h"
#include "project/archive.h"
#include "project/project_file.h"

namespace {

constexpr const char* kProjectFilter = "Quillmap project (*.qmap)|*.qmap";
constexpr const char* kModelFilter = "3D models (*.3ds;*.obj)|*.3ds;*.obj|All files (*.*)|*.*";
constexpr const char* kOpenFilter =
    "Projects and models (*.qmap;*.3ds;*.obj)|*.qmap;*.3ds;*.obj|Projects (*.qmap)|*.qmap|"
    "3D models (*.3ds;*.obj)|*.3ds;*.obj|All files (*.*)|*.*";
// The menu offers saving only with a model; a command line may still ask for it.
constexpr const char* kNoModelToSave = "There is no model to save.";

// What the project opens without or with in its place, for one message; empty when all is
// there.
std::string openingProblems(const ProjectRecord& record) {
  std::string text;
  auto paragraph = [&](const std::string& line) { text += (text.empty() ? "" : "\n\n") + line; };
  if (record.sourceFromWorkModel)
    paragraph(
        "The project's source.bin (the model as read from its file) is missing or damaged; the "
        "unwrapped model takes its place.");
  const std::vector<UnreadImage>& unread = record.unreadImages;
  if (unread.empty()) return text;
  std::string lines;
  bool painting = false;
  for (const UnreadImage& image : unread) {
    lines += "The project's " + image.entry + " could not be read: " + image.why + ".\n";
    painting |= image.entry == "texture.png";
  }
  lines += unread.size() == 1 ? "It opens without that image." : "It opens without those images.";
  if (painting) lines += "\nSaving it now stores the project without its painted texture.";
  paragraph(lines);
  return text;
}

}  // namespace

// ---- Opening -------------------------------------------------------------------------------

bool Controller::openFile(const std::string& path) {
  settle();
  if (!fileFacts(path).exists) {
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
  // Read into a fresh model: a file that fails leaves the open project exactly as it was.
  Model source;
  const ReadResult read = readModelFile(path, source);
  if (!read.ok) {
    error("Could not open the model:\n" + read.message);
    return false;
  }
  s_.document.sourceModel = std::move(source);
  const FileFacts facts = fileFacts(path);
  s_.document.modelPath = path;
  s_.document.sourceSize = facts.size;
  s_.document.sourceDate = facts.modified;
  prefs_.lastDir = folderOf(path);
  prefsFile_.writeText("LastDir", prefs_.lastDir);
  s_.document.projectPath.clear();
  s_.document.exportPath.clear();
  s_.document.layoutLocked = false;
  dropLayoutChange(s_);
  s_.document.texture.clear(folderOf(path));
  s_.document.stencil = StencilState{};
  s_.document.pattern.anchorFace = -1;
  s_.document.settings.mirrorAxis = MirrorAxis::off;
  resizeLayerState(s_.document.layers, 0);
  resizeLayerState(s_.document.layers, s_.document.sourceModel.layerCount());
  s_.document.layers.curLayer = 0;
  s_.document.settings.upAxisChoice = lowerExtension(path) == "obj" ? UpAxis::y : UpAxis::z;
  ui_.status(kStatusNote, "");
  changes_.controls = true;
  s_.document.view.camera.dist = 0;  // not framed: the 3D view frames the new model when it shows it
  changes_ |= unwrapModel(s_, ui_);
  s_.document.projectChanged = true;
  addRecent(prefs_, prefsFile_, path);
  return true;
}

bool Controller::openProject(const std::string& path) {
  std::string archivePath = path;
  bool fromAutosave = false;
  const FileFacts autosave = fileFacts(path + ".autosave");
  if (autosave.exists && autosave.size >= 1 && autosave.modified > fileFacts(path).modified &&
      ui_.message(kProgramName,
                  "There is an autosave of this project that is newer than the saved project.\n"
                  "Probably the program was closed without saving.\n\nOpen the autosave?",
                  Icon::information, Buttons::yesNo) == Answer::yes) {
    archivePath = path + ".autosave";
    fromAutosave = true;
  }
  if (!loadProject(path, archivePath, fromAutosave, true)) return false;
  changes_.reopen3d = true;  // an open 3D window starts again on the project
  return true;
}

bool Controller::loadProject(const std::string& path, const std::string& archivePath,
                             bool fromAutosave, bool remember) {
  ProjectReadError problem = ProjectReadError::none;
  std::optional<ProjectRecord> record =
      readProjectFile(archivePath, s_.document.view, problem);
  if (!record) {
    error(problem == ProjectReadError::cannotOpen ? "Cannot open " + path
                                                  : path + " is not a valid project file.");
    return false;
  }
  const std::string problems = openingProblems(*record);
  takeProjectRecord(s_, std::move(*record));
  if (!problems.empty()) ui_.message(kProgramName, problems, Icon::warning, Buttons::ok);
  s_.document.projectPath = path;
  s_.document.projectChanged = fromAutosave;
  s_.document.texture.markSaved();
  s_.mainWindow.autosaveTicks = 0;
  if (remember) rememberProject(path);
  showOpenedProject(path);
  return true;
}

void Controller::showOpenedProject(const std::string& path) {
  const Document& d = s_.document;
  ui_.status(kStatusFile, fileNameOf(path));
  ui_.status(kStatusCounts, std::to_string(d.workModel.triangleCount()) + " triangles, " +
                                std::to_string(d.workModel.materialCount()) + " surfaces");
  ui_.status(kStatusNote, "");
  const FileFacts model = fileFacts(d.modelPath);
  if (model.exists && (model.size != d.sourceSize || model.modified != d.sourceDate))
    ui_.status(kStatusNote,
               "Note: " + fileNameOf(d.modelPath) + " has changed since this project was made.");
  changes_ |= {.controls = true, .report = true, .uvView = true, .title = true, .view3d = true};
}

void Controller::rememberProject(const std::string& path) {
  prefs_.lastProjectDir = folderOf(path);
  prefsFile_.writeText("LastProjectDir", prefs_.lastProjectDir);
  addRecent(prefs_, prefsFile_, path);
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
  settle();
  if (prefsFolder_.empty()) return false;
  const std::string path = prefsFolder_ + "untitled.autosave.qmap";
  const FileFacts facts = fileFacts(path);
  if (!facts.exists || facts.size < 1) return false;
  if (ui_.message(kProgramName, "There is an autosave of a project that was never saved.\nOpen it?",
                  Icon::information, Buttons::yesNo) != Answer::yes) {
    removeRegularFile(path);
    return false;
  }
  if (!loadProject(path, path, false, false)) return false;
  changes_.reopen3d = true;
  // The restored work was never saved: its next save asks for a name, and until then it
  // keeps autosaving to this same file.
  s_.document.projectPath.clear();
  s_.document.projectChanged = true;
  ui_.status(kStatusFile, fileNameOf(s_.document.modelPath));
  return true;
}

void Controller::changeSettings(const UnwrapSettings& settings, bool refresh) {
  settle();
  if (!jobs_->async() || s_.document.sourceModel.triangles.empty()) {
    changes_.controls |= refresh;
    s_.document.settings = settings;
    changes_ |= unwrapModel(s_, ui_);
    return;
  }
  // The controls show the new settings while the job runs; they are refreshed when it ends.
  // The job unwraps copies; the document changes only when its result is taken.
  // During a layout change the painting moves along on the worker too, from a copy of the
  // change, so that Cancel also stops that and brings everything back.
  struct Job {
    Model source;
    std::optional<LayoutChange> change;
    UnwrapResult result;
    std::optional<CarriedPainting> carried;
  };
  const LayoutChange& change = s_.layoutChange;
  const bool carries = change.layoutChanging && change.paintingFollows && change.textureBackup.width > 0;
  auto job = std::make_shared<Job>(Job{s_.document.sourceModel,
                                       carries ? std::optional(change) : std::nullopt, {}, {}});
  const bool locked = s_.document.layoutLocked, changing = change.layoutChanging;
  if (unwrapFlattens(job->source, settings)) ui_.status(kStatusCounts, kUnwrappingNote);
  jobs_->start(
      JobKind::unwrap,
      [job, settings](Progress& progress) {
        job->result = unwrapSourceModel(job->source, settings, &progress);
        if (job->result.cancelled) throw WorkCancelled{};
        if (job->change)
          job->carried = carryPainting(*job->change, job->result.workModel, settings.layoutWidth,
                                       settings.layoutHeight, &progress);
      },
      [this, job, settings, locked, changing, refresh](bool cancelled) {
        // Whatever changed the model or the lock meanwhile wins over a layout made before.
        const Document& d = s_.document;
        if (cancelled || d.layoutLocked != locked || s_.layoutChange.layoutChanging != changing ||
            d.sourceModel != job->source) {
          changes_.controls = true;  // back to the settings that still hold
          showUnwrapCounts(s_, ui_);
          if (cancelled) ui_.status(kStatusNote, kUnwrapCancelledNote);
          return;
        }
        s_.document.settings = settings;
        changes_.controls |= refresh;
        changes_ |= takeUnwrap(s_, ui_, std::move(job->result), std::move(job->carried));
      });
}

void Controller::settle() {
  if (jobs_->kind() == JobKind::unwrap) jobs_->cancel();
  jobs_->wait();
}

void Controller::startLayoutChange() {
  settle();
  changes_ |= ::startLayoutChange(s_, ui_);
}

void Controller::lockLayout() {
  settle();
  changes_ |= lockNewLayout(s_, ui_);
}

void Controller::cancelLayoutChange() {
  settle();
  changes_ |= ::cancelLayoutChange(s_, ui_);
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

bool Controller::saveProject(const std::string& path, bool copy, bool autosave,
                             std::function<void()> saved) {
  settle();
  resizeLayerState(s_.document.layers, s_.document.workModel.layerCount());
  // What is saved is what the project holds now, whatever happens while it is written.
  struct Job {
    ProjectContent content;
    ProjectExtras extras;
    ArchiveWrite outcome = ArchiveWrite::ok;
  };
  auto job = std::make_shared<Job>(Job{s_.document, projectExtrasOf(s_)});
  auto ok = std::make_shared<bool>(true);  // true while it runs
  const std::string temporary = path + ".tmp";
  jobs_->start(
      autosave ? JobKind::autosave : JobKind::save,
      [job, temporary, sync = syncFile](Progress& progress) {
        const std::vector<ArchiveEntry> entries = writeProjectEntries(job->content, job->extras);
        job->outcome = writeZipArchive(temporary, entries, sync, &progress);
      },
      [this, job, ok, path, temporary, copy, autosave, saved](bool cancelled) {
        *ok = finishSave(cancelled ? ArchiveWrite::cancelled : job->outcome, temporary, path,
                         copy, autosave);
        if (*ok && saved) saved();
      });
  return *ok;
}

bool Controller::finishSave(ArchiveWrite written, const std::string& temporary,
                            const std::string& path, bool copy, bool autosave) {
  if (!archiveWritten(written, temporary, autosave) || !moveIntoPlace(temporary, path, autosave))
    return false;
  if (!copy && !autosave) {
    // The autosave that belonged to the project before this save goes, unless the user just
    // saved over that very file.
    if (!sameTextIgnoringCase(autosavePath(), path)) removeRegularFile(autosavePath());
    s_.document.projectPath = path;
    s_.document.projectChanged = false;
    s_.document.texture.markSaved();
    s_.mainWindow.autosaveTicks = 0;
    rememberProject(path);
  }
  return true;
}

bool Controller::archiveWritten(ArchiveWrite written, const std::string& temporary,
                                bool autosave) {
  switch (written) {
    case ArchiveWrite::cancelled:
      // The previous project was never touched: only the temporary file goes.
      removeRegularFile(temporary);
      ui_.status(kStatusNote, autosave ? "Autosave cancelled" : "Save cancelled");
      return false;
    case ArchiveWrite::cannotCreate:
      if (!autosave) error("Cannot write " + temporary);
      return false;
    case ArchiveWrite::entryFailed:
      removeRegularFile(temporary);
      if (!autosave) error("Could not save the project.");
      return false;
    case ArchiveWrite::ok:
      break;
  }
  return true;
}

bool Controller::moveIntoPlace(const std::string& temporary, const std::string& path,
                               bool autosave) {
  // An autosave replaces its file; a save keeps the previous project as name.bak.
  std::string backup;
  if (fileFacts(path).exists) {
    if (autosave) {
      removeRegularFile(path);
    } else {
      backup = folderOf(path) + withoutExtension(fileNameOf(path)) + ".bak";
      removeRegularFile(backup);
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
  return true;
}

bool Controller::save() {
  if (!s_.document.modelLoaded) {
    error(kNoModelToSave);
    return false;
  }
  if (s_.document.projectPath.empty()) return saveAs(false);
  return saveProject(s_.document.projectPath, false, false, [this] {
    ui_.status(kStatusNote, "Project saved: " + fileNameOf(s_.document.projectPath));
  });
}

bool Controller::saveAs(bool copy) {
  if (!s_.document.modelLoaded) {
    error(kNoModelToSave);
    return false;
  }
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
  if (fileFacts(path).exists && !sameTextIgnoringCase(path, s_.document.projectPath) &&
      !ui_.confirmOverwrite(kProgramName, fileNameOf(path) + " already exists. Overwrite it?",
                            {fileNameOf(path)}))
    return false;
  return saveProject(path, copy, false, [this, copy, path] {
    ui_.status(kStatusNote, (copy ? "Copy saved: " : "Project saved: ") + fileNameOf(path));
  });
}

bool Controller::allowDiscard() {
  if (!projectCountsAsChanged()) return true;
  switch (ui_.message(kProgramName, "The project has changes that are not saved.\nSave them now?",
                      Icon::warning, Buttons::yesNoCancel)) {
    case Answer::yes:
      // The work may go only once the save has ended well.
      if (!save()) return false;
      jobs_->wait();
      return !projectCountsAsChanged();
    case Answer::no:
      removeRegularFile(autosavePath());
      return true;
    default:
      return false;
  }
}

void Controller::quit() {
  settle();
  if (allowDiscard()) changes_.quit = true;
}

void Controller::autosaveTick(const std::string& clock) {
  // A tick while other work runs waits for the next minute: an autosave never runs beside a
  // save.
  if (prefs_.autosave <= 0 || !s_.document.modelLoaded || s_.layoutChange.layoutChanging ||
      autosavePath().empty() || jobs_->busy())
    return;
  if (!projectCountsAsChanged()) {
    s_.mainWindow.autosaveTicks = 0;
    return;
  }
  if (++s_.mainWindow.autosaveTicks < prefs_.autosave) return;
  s_.mainWindow.autosaveTicks = 0;
  saveProject(autosavePath(), false, true,
              [this, clock] { ui_.status(kStatusNote, "Autosaved at " + clock); });
}

bool Controller::projectCountsAsChanged() const {
  return s_.document.modelLoaded &&
         (s_.document.projectChanged || s_.document.texture.modified());
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
