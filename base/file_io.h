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
