#include "base/file_io.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

bool readFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  // Grow by chunks rather than trusting a size from seeking: works for pipes and for files
  // that change while being read.
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f.get())) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  return !std::ferror(f.get());
}

bool writeFileBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(data, 1, size, f) == size;
  return (std::fclose(f) == 0) && written;
}

FileWrite writeWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return FileWrite::cannotCreate;
  const bool written = std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) == 0 && written) return FileWrite::ok;
  removeRegularFile(path);
  return FileWrite::incomplete;
}

void removeRegularFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) std::remove(path.c_str());
}

FileFacts fileFacts(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return {true, static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtime)};
}

std::string lowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

bool isFolder(const std::string& path) {
  struct stat facts {};
  return !path.empty() && ::stat(path.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode);
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string fileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string withoutExtension(const std::string& fileName) {
  const size_t dot = fileName.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

bool sameTextIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
