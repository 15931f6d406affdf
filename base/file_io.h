// Thin file access: the readers and writers parse and build byte buffers, this moves them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file. False when it cannot be opened or read; throws std::bad_alloc when
// the buffer cannot be allocated.
bool readFileBytes(const std::string& path, std::vector<uint8_t>& bytes);
// Creates or truncates the file and writes all bytes. False on any failure.
bool writeFileBytes(const std::string& path, const uint8_t* data, size_t size);
inline bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  return writeFileBytes(path, bytes.data(), bytes.size());
}
// Like writeFileBytes, but tells a file that could not be created from one that was created
// and not written whole; the latter is removed when it is a regular file, so a failed write
// leaves no truncated file (and never removes a device such as /dev/full).
enum class FileWrite { ok, cannotCreate, incomplete };
FileWrite writeWholeFile(const std::string& path, const uint8_t* data, size_t size);
// Removes path when it is a regular file (not a folder, device or link to one).
void removeRegularFile(const std::string& path);
// A regular file at path (links followed): its size in bytes and modification time in
// seconds. Anything else, or nothing, gives exists = false.
struct FileFacts {
  bool exists = false;
  int64_t size = -1;
  int64_t modified = 0;
};
FileFacts fileFacts(const std::string& path);
// A folder at path on this machine (links followed); false for "".
bool isFolder(const std::string& path);
// Lower-cased text after the last "." of the file name, "" when there is none.
std::string lowerExtension(const std::string& path);
// The folder part of a path with its trailing "/", "" for a bare file name.
std::string folderOf(const std::string& path);
// The file name part of a path.
std::string fileNameOf(const std::string& path);
// A file name without its last extension.
std::string withoutExtension(const std::string& fileName);
// Equal ignoring the case of ASCII letters (paths as the user may type them).
bool sameTextIgnoringCase(const std::string& a, const std::string& b);
