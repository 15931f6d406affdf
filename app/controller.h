// The commands of the main window's menus and the project's life: opening models and
// projects, saving, autosave and the unsaved-changes guard. Everything it needs from a person
// goes through the Ui, so whole user flows run in tests and in the batch mode.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/background_job.h"
#include "app/changes.h"
#include "app/export_job.h"
#include "app/preferences.h"
#include "app/session.h"
#include "app/ui.h"
#include "project/archive.h"
#include "project/project_file.h"
#include "unwrap/unwrap_model.h"

constexpr const char* kProgramName = "Quillmap";
constexpr const char* kExportCancelledNote = "Export cancelled: no file was written or changed";
constexpr const char* kOpenCancelledNote = "Opening cancelled: the project is as before";

class Controller {
 public:
  // prefsFolder: where the preferences live; it also receives the autosave of a project that
  // was never saved.
  Controller(Session& session, Ui& ui, Preferences& prefs, PreferencesFile& prefsFile,
             std::string prefsFolder)
      : s_(session), ui_(ui), prefs_(prefs), prefsFile_(prefsFile),
        prefsFolder_(std::move(prefsFolder)) {}

  // Every path the user picks: checks it, asks the guard, then opens a project or a model.
  // Each returns whether the file became the current project; with jobs in the background,
  // whether it is being opened (the file is read, and a model unwrapped, on the worker, and
  // the current project changes only when that has ended well).
  bool openFile(const std::string& path);
  // Reads a model into a new, unsaved project and unwraps it.
  bool openModel(const std::string& path);
  // Opens a project file (or its newer autosave) as the current project.
  bool openProject(const std::string& path);

  // Long work (unwraps after a settings change, saves) runs through `jobs`; without this call
  // it runs at once on the calling thread.
  void useJobs(JobRunner& jobs) { jobs_ = &jobs; }
  const JobRunner& jobs() const { return *jobs_; }
  // Before a command that needs the session settled: a running unwrap or open is cancelled,
  // other work is waited for.
  void settle();

  // Writes the project archive. copy: "Save a copy"; autosave: no messages, no project change.
  // `saved` runs once it is in place. With jobs in the background the archive is written on
  // the worker: true then means it was started.
  bool saveProject(const std::string& path, bool copy, bool autosave,
                   std::function<void()> saved = {});
  // then: runs once the project is saved (with jobs in the background, when the save ends
  // well), not when the save fails or is cancelled.
  bool save(std::function<void()> then = {});
  bool saveAs(bool copy, std::function<void()> then = {});
  // The unsaved-changes guard: `then` runs when the current work may be dropped, at once or,
  // after Yes, once the save has ended well (in the background: after this returns; a save
  // that fails or is cancelled refuses). False when it refused at once.
  bool allowDiscard(std::function<void()> then = {});
  // File > Quit and closing the main window: when the guard allows, the program ends.
  void quit();
  // The 60-second timer; clock is the local time as "HH:MM" for the status note.
  void autosaveTick(const std::string& clock);

  // File > Export to Serious Sam: the .3ds and, as the preferences say, the .scr script, the
  // padded texture as .tga and .tex, and the UV layout picture, all beside the chosen file;
  // the report goes to the status bar. True when the .3ds was written; with jobs in the
  // background, when the export was started. The files go into place only when all are
  // written, so a cancelled export changes no file.
  bool exportToSeriousSam();

  // Texture menu. Export texture: true when written. Import texture: true when the image
  // became the Texture (one undo step when a Texture existed). Export UV overlay: true when
  // the transparent overlay was written.
  bool exportTexture();
  bool importTexture();
  bool exportUvOverlay();
  // Saves the Texture as a picture by the path's extension (tga, bmp, else PNG) and makes it
  // the Texture's file; false when there is no Texture or the file cannot be written.
  bool writeTextureImage(const std::string& path);
  // Start-up: the first argument is opened as if chosen in the Open dialog; without one, the
  // autosave of a never-saved project is offered.
  void openAtStart(const std::vector<std::string>& args);
  // The untitled autosave in the preferences folder: Yes opens it as a never-saved, changed
  // project; No deletes it. A file of 0 bytes is neither offered nor deleted. Returns whether
  // it was opened.
  bool offerUntitledAutosave();
  // File > New project from model and File > Open: the dialog, then openFile. Cancelling does
  // nothing. Each returns whether a file became the current project.
  bool newProjectDialog();
  bool openDialog();
  // File > Recent entry `index` (0 to 7); an empty slot does nothing.
  bool openRecent(int index);
  // A main-window control changed the settings. refresh: the control decides what else is
  // enabled (mapping, sizes, lists, check boxes), so the controls are refreshed first. Then
  // the model is unwrapped again.
  void changeSettings(const UnwrapSettings& settings, bool refresh);
  // The layout group's buttons: "Change layout..." (while locked), "Lock layout" and "Cancel"
  // (while changing).
  void startLayoutChange();
  void lockLayout();
  void cancelLayoutChange();
  // After the last event: the main window's settings go to the preferences.
  void storeWindowSettings();
  // The Preferences dialog's OK.
  void applyPreferences(const PreferencesChoice& choice);
  // Help > User guide: written to folder + "Quillmap_Help.html" and opened; when either fails,
  // the short help in a message box titled "Help".
  void userGuide(const std::string& folder = "/tmp/");

  // What the commands since the last call asked the windows to show again; taking them
  // clears them.
  Changes takeChanges() { return std::exchange(changes_, Changes{}); }
  // Changes of the 3D window's commands, shown with the main window's after the event.
  void raise(const Changes& changes) { changes_ |= changes; }

  bool projectCountsAsChanged() const;
  // Renames a file; replaceable so tests can make the last step of a save fail.
  std::function<bool(const std::string& from, const std::string& to)> renameFile =
      [](const std::string& from, const std::string& to) {
        return std::rename(from.c_str(), to.c_str()) == 0;
      };
  // Flushes the written temporary file to disk before the rename; replaceable so tests can
  // make that step fail.
  std::function<bool(int fd)> syncFile = syncToDisk;
  std::string mainTitle() const;
  std::string autosavePath() const;

 private:
  void error(const std::string& text);
  // The export's file requester and the checks of the chosen path: the .3ds to write, or ""
  // (after saying why, unless cancelled).
  std::string chooseExportPath();
  // The end of an export on this thread: its messages, the report and the remembered path.
  // True when the files are in place.
  bool finishExport(const ExportOutcome& outcome, const std::string& path, bool samePlace,
                    bool piecesFit);
  // Reads the archive at archivePath as the project at path and makes it the current one.
  // remember: the path becomes LastProjectDir and goes to the recent list (not for the
  // untitled autosave, which is deleted by the next save).
  // loaded: runs once it is the current project. Returns as openFile does.
  bool loadProject(const std::string& path, const std::string& archivePath, bool fromAutosave,
                   bool remember, std::function<void()> loaded);
  // The ends of loadProject and openModel on this thread, once the file was read.
  bool takeProject(const std::string& path, ProjectReadError problem,
                   std::optional<ProjectRecord> record, bool fromAutosave, bool remember);
  void takeOpenedModel(const std::string& path, UnwrapSettings settings, Model source,
                       UnwrapResult unwrapped);
  // After opening: the status bar (file name, counts, a note when the model file changed
  // since), and the windows are to show the new project.
  void showOpenedProject(const std::string& path);
  // The path becomes LastProjectDir and goes to the front of the recent list.
  void rememberProject(const std::string& path);
  // The steps of saveProject once the archive is written to the temporary path: its outcome
  // (the file deleted again when an entry failed or the save was cancelled), then the rename
  // over path with the previous file kept as the ".bak". Each shows its own error unless
  // autosave.
  bool finishSave(ArchiveWrite written, const std::string& temporary, const std::string& path,
                  bool copy, bool autosave);
  bool archiveWritten(ArchiveWrite written, const std::string& temporary, bool autosave);
  bool moveIntoPlace(const std::string& temporary, const std::string& path, bool autosave);

  Session& s_;
  Ui& ui_;
  Preferences& prefs_;
  PreferencesFile& prefsFile_;
  std::string prefsFolder_;
  Changes changes_;
  JobRunner ownJobs_;  // runs everything at once
  JobRunner* jobs_ = &ownJobs_;
};
