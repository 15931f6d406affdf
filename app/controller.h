// The commands of the main window's menus and the project's life: opening models and
// projects, saving, autosave and the unsaved-changes guard. Everything it needs from a person
// goes through the Ui, so whole user flows run in tests and in the batch mode.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "app/preferences.h"
#include "app/session.h"
#include "app/ui.h"

constexpr const char* kProgramName = "Quillmap";

class Controller {
 public:
  // prefsFolder: where the preferences live; it also receives the autosave of a project that
  // was never saved.
  Controller(Session& session, Ui& ui, Preferences& prefs, PreferencesFile& prefsFile,
             std::string prefsFolder)
      : s_(session), ui_(ui), prefs_(prefs), prefsFile_(prefsFile),
        prefsFolder_(std::move(prefsFolder)) {}

  // Every path the user picks: checks it, asks the guard, then opens a project or a model.
  // Each returns whether the file became the current project.
  bool openFile(const std::string& path);
  // Reads a model into a new, unsaved project and unwraps it.
  bool openModel(const std::string& path);
  // Opens a project file (or its newer autosave) as the current project.
  bool openProject(const std::string& path);

  // Writes the project archive. copy: "Save a copy"; autosave: no messages, no project change.
  bool saveProject(const std::string& path, bool copy, bool autosave);
  bool save();
  bool saveAs(bool copy);
  // The unsaved-changes guard: true when the current work may be dropped.
  bool allowDiscard();
  // The 60-second timer; clock is the local time as "HH:MM" for the status note.
  void autosaveTick(const std::string& clock);

  bool projectCountsAsChanged() const;
  // Renames a file; replaceable so tests can make the last step of a save fail.
  std::function<bool(const std::string& from, const std::string& to)> renameFile =
      [](const std::string& from, const std::string& to) {
        return std::rename(from.c_str(), to.c_str()) == 0;
      };
  std::string mainTitle() const;
  std::string autosavePath() const;

 private:
  void error(const std::string& text);
  bool applyProject(const std::string& path, const std::string& archivePath, bool fromAutosave);

  Session& s_;
  Ui& ui_;
  Preferences& prefs_;
  PreferencesFile& prefsFile_;
  std::string prefsFolder_;
};
