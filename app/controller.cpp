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
// The menu offers saving only with a model; a command line may still ask for it.
constexpr const char* kNoModelToSave = "There is no model to save.";

}  // namespace

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
  // Work that a newer command replaces anyway stops; a save or an export ends.
  if (jobs_->kind() == JobKind::unwrap || jobs_->kind() == JobKind::open) jobs_->cancel();
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

bool Controller::save(std::function<void()> then) {
  if (!s_.document.modelLoaded) {
    error(kNoModelToSave);
    return false;
  }
  if (s_.document.projectPath.empty()) return saveAs(false, std::move(then));
  return saveProject(s_.document.projectPath, false, false, [this, then] {
    ui_.status(kStatusNote, "Project saved: " + fileNameOf(s_.document.projectPath));
    if (then) then();
  });
}

bool Controller::saveAs(bool copy, std::function<void()> then) {
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
  return saveProject(path, copy, false, [this, copy, path, then] {
    ui_.status(kStatusNote, (copy ? "Copy saved: " : "Project saved: ") + fileNameOf(path));
    if (then) then();
  });
}

bool Controller::allowDiscard(std::function<void()> then) {
  auto allow = [&then] {
    if (then) then();
    return true;
  };
  if (!projectCountsAsChanged()) return allow();
  switch (ui_.message(kProgramName, "The project has changes that are not saved.\nSave them now?",
                      Icon::warning, Buttons::yesNoCancel)) {
    case Answer::yes:
      // The work may go only once the save has ended well: the save goes on with it then,
      // and the windows keep drawing meanwhile.
      return save(std::move(then));
    case Answer::no:
      removeRegularFile(autosavePath());
      return allow();
    default:
      return false;
  }
}

void Controller::quit() {
  settle();
  allowDiscard([this] { changes_.quit = true; });
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
