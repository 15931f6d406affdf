#include "app/preferences.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/file_io.h"
#include "base/number_text.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

std::string trimSpacesAndTabs(const std::string& s) {
  const size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  const size_t end = s.find_last_not_of(" \t");
  return s.substr(begin, end - begin + 1);
}

// The file's lines after the byte-order mark line, without line ends.
std::vector<std::string> readLines(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::vector<std::string> lines;
  if (path.empty() || !readFileBytes(path, bytes)) return lines;
  std::string text(bytes.begin(), bytes.end());
  if (text.starts_with(kByteOrderMark)) text.erase(0, 3);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The key of a "key = value" line, or "" for other lines.
std::string keyOf(const std::string& line) {
  const size_t eq = line.find('=');
  return eq == std::string::npos ? "" : trimSpacesAndTabs(line.substr(0, eq));
}

}  // namespace

std::string PreferencesFile::readText(const std::string& key, const std::string& fallback) const {
  for (const std::string& line : readLines(path_))
    if (keyOf(line) == key) return trimSpacesAndTabs(line.substr(line.find('=') + 1));
  return fallback;
}

int64_t PreferencesFile::readInt(const std::string& key, int64_t fallback) const {
  const std::string text = readText(key, "");
  if (text.empty()) return fallback;
  return leadingInt(text);
}

std::string PreferencesFile::readFolder(const std::string& key) const {
  const std::string folder = readText(key, "");
  std::error_code ec;
  return !folder.empty() && fs::is_directory(folder, ec) ? folder : "";
}

void PreferencesFile::writeText(const std::string& key, const std::string& value) {
  if (path_.empty() || readOnly_) return;
  std::vector<std::string> lines = readLines(path_);
  const std::string line = key + " = " + value;
  bool replaced = false;
  for (std::string& existing : lines)
    if (!replaced && keyOf(existing) == key) {
      existing = line;
      replaced = true;
    }
  if (!replaced) lines.push_back(line);
  std::string text = std::string(kByteOrderMark) + "\n";
  for (const std::string& l : lines)
    if (!l.empty()) text += l + "\n";
  // Written beside the file and renamed over it, so a crash never leaves half a file.
  const std::string temporary = path_ + ".tmp";
  if (writeFileBytes(temporary, reinterpret_cast<const uint8_t*>(text.data()), text.size()))
    std::rename(temporary.c_str(), path_.c_str());
  else
    std::remove(temporary.c_str());
}

void PreferencesFile::writeInt(const std::string& key, int64_t value) {
  writeText(key, std::to_string(value));
}

std::string preferencesFolder(const std::string& home) {
  if (home.empty()) return "";
  std::string folder = home;
  if (folder.back() != '/') folder += '/';
  folder += ".Quillmap/";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec) ? folder : "";
}

std::string preferencesPath(const std::string& folder) {
  return folder.empty() ? "" : folder + "Quillmap.prefs";
}

Preferences loadPreferences(const PreferencesFile& file, const std::string& executablePath) {
  Preferences p;
  std::string found = findSeriousSamFolder(executablePath);
  p.seriousSamRoot = file.readText("SeriousSamRoot", found.empty() ? "D:\\Serious Sam TSE\\" : found);
  p.writeScript = file.readInt("WriteScript", 1) != 0;
  p.writeTexture = file.readInt("WriteTexture", 1) != 0;
  p.writePNG = file.readInt("WritePNG", 0) != 0;
  p.writeTex = file.readInt("WriteTex", 1) != 0;
  p.autosave = kAutosaveMinutes.clamp(file.readInt("Autosave", 5));
  p.lastDir = file.readFolder("LastDir");
  p.lastProjectDir = file.readFolder("LastProjectDir");
  for (size_t i = 0; i < p.recentFiles.size(); ++i)
    p.recentFiles[i] = file.readText("Recent" + std::to_string(i), "");
  return p;
}

void addRecent(Preferences& prefs, PreferencesFile& file, const std::string& path) {
  auto& list = prefs.recentFiles;
  for (size_t i = 0; i < list.size(); ++i)
    if (sameTextIgnoringCase(list[i], path)) {
      for (size_t j = i; j + 1 < list.size(); ++j) list[j] = list[j + 1];
      list.back().clear();
      break;
    }
  for (size_t j = list.size() - 1; j > 0; --j) list[j] = list[j - 1];
  list[0] = path;
  for (size_t i = 0; i < list.size(); ++i) file.writeText("Recent" + std::to_string(i), list[i]);
}

std::string findSeriousSamFolder(const std::string& startPath) {
  std::string d = folderOf(startPath);
  std::error_code ec;
  while (!d.empty()) {
    if (fs::exists(d + "Bin/SeriousModeler.exe", ec) || fs::exists(d + "Bin/SeriousSam.exe", ec))
      return d;
    const std::string parent = folderOf(d.substr(0, d.size() - 1));
    if (parent == d || parent.size() >= d.size()) break;
    d = parent;
  }
  return "";
}

void applyPreferencesChoice(Preferences& prefs, PreferencesFile& file,
                            const PreferencesChoice& choice) {
  std::string folder = choice.seriousSamRoot;
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '/';
  prefs.seriousSamRoot = folder;
  prefs.writeScript = choice.writeScript;
  prefs.writeTexture = choice.writeTexture;
  prefs.writePNG = choice.writePNG;
  prefs.writeTex = choice.writeTex;
  prefs.autosave = choice.autosave;
  file.writeText("SeriousSamRoot", folder);
  file.writeInt("WriteScript", choice.writeScript ? 1 : 0);
  file.writeInt("WriteTexture", choice.writeTexture ? 1 : 0);
  file.writeInt("WritePNG", choice.writePNG ? 1 : 0);
  file.writeInt("WriteTex", choice.writeTex ? 1 : 0);
  file.writeInt("Autosave", choice.autosave);
}
