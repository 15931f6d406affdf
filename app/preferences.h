// The preferences file: one small text file in a dot-folder of the home folder, read and
// written one key at a time so it is always current and never held open.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/setting.h"

class PreferencesFile {
 public:
  // path "" gives a file that reads defaults and loses writes (no home folder); a read-only
  // file reads the keys but never changes them (the batch mode leaves the user's alone).
  explicit PreferencesFile(std::string path, bool readOnly = false)
      : path_(std::move(path)), readOnly_(readOnly) {}

  std::string readText(const std::string& key, const std::string& fallback) const;
  // The leading number of the stored text; the fallback when the key is missing or empty.
  int64_t readInt(const std::string& key, int64_t fallback) const;
  // The stored folder if it exists, else "".
  std::string readFolder(const std::string& key) const;
  // Replaces the key's line, or appends one; the file is created when missing. Failures are
  // silent: preferences are a convenience and never stop the work.
  void writeText(const std::string& key, const std::string& value);
  void writeInt(const std::string& key, int64_t value);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool readOnly_;
};

// The folder "<home>/.Quillmap/", created when missing; "" without a usable home folder.
std::string preferencesFolder(const std::string& home);
// The preferences file inside that folder.
std::string preferencesPath(const std::string& folder);

struct Preferences {
  std::string seriousSamRoot;  // with a trailing separator
  bool writeScript = true;
  bool writeTexture = true;
  bool writePNG = false;
  bool writeTex = true;
  int64_t autosave = 5;  // minutes; 0 = off
  std::string lastDir;
  std::string lastProjectDir;
  std::array<std::string, 8> recentFiles;  // most recent first; "" = no entry
};

// The Preferences dialog's autosave interval: minutes, 0 = off.
inline constexpr SpinRange kAutosaveMinutes{0, 120};

// Reads the program-wide preferences at start; the Serious Sam folder defaults to the one
// found above the program's own executable.
Preferences loadPreferences(const PreferencesFile& file, const std::string& executablePath);

// Puts path at the front of the recent list (an entry equal ignoring case moves, the path as
// given replaces it) and writes the eight keys.
void addRecent(Preferences& prefs, PreferencesFile& file, const std::string& path);

// What the Preferences dialog's OK takes over.
struct PreferencesChoice {
  std::string seriousSamRoot;  // as typed
  bool writeScript = true;
  bool writeTexture = true;
  bool writeTex = true;
  bool writePNG = false;
  int64_t autosave = 5;
};
// A folder that is not empty and ends in neither "\" nor "/" gets "/" appended. The choice
// goes into `prefs`, and the keys are written in this order: SeriousSamRoot, WriteScript,
// WriteTexture, WritePNG, WriteTex, Autosave.
void applyPreferencesChoice(Preferences& prefs, PreferencesFile& file,
                            const PreferencesChoice& choice);

// The folder of startPath or the nearest folder above it holding "Bin/SeriousModeler.exe" or
// "Bin/SeriousSam.exe", with a trailing separator; "" when there is none.
std::string findSeriousSamFolder(const std::string& startPath);
