// The project container: an ordinary ZIP archive with deflate entries, written through a
// temporary file that is made durable before anyone renames it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/progress.h"

struct ArchiveEntry {
  std::string name;
  std::vector<uint8_t> bytes;
  bool ok = true;  // false: the data could not be made; the entry counts as failed
};

enum class ArchiveWrite {
  ok,
  cannotCreate,  // the file could not be created
  entryFailed,   // an entry could not be encoded or added (the others were still attempted),
                 // or the file could not be flushed to disk or closed
  cancelled,     // stopped through the progress; the file is left for the caller to delete
};

// Flushes an open file's data to disk (fsync); true on success.
bool syncToDisk(int fd);

// Writes the entries in order (deflate, level 6) to `path`, then flushes the file to disk
// with syncFile. On entryFailed the file is left for the caller to delete. progress (may be
// null) hears how much is written and may stop the writing between entries (cancelled).
ArchiveWrite writeZipArchive(const std::string& path, const std::vector<ArchiveEntry>& entries,
                             const std::function<bool(int fd)>& syncFile = syncToDisk,
                             Progress* progress = nullptr);

// The most bytes an entry can have while it may still be valid, judged from the bytes read
// so far (`head`); 0 when they already show it is not. It is asked again after every piece
// read, with the same bytes and more, so it may keep what it learnt.
using EntryLimit = std::function<size_t(std::span<const uint8_t> head)>;
// A fresh EntryLimit for the entry of that name.
using EntryLimits = std::function<EntryLimit(const std::string& name)>;
// Every entry up to kMaxEntryBytes.
constexpr size_t kMaxEntryBytes = size_t{1} << 30;
EntryLimit fixedLimit(size_t bytes);

// Reads the entries of a ZIP archive whose names are in `wanted` (exact, case-sensitive);
// nullopt when the file cannot be opened or is not a readable archive. An entry that grows
// beyond its limit is left out as soon as it does, and so is one that fails to decompress;
// their names go to `leftOut` when given.
std::optional<std::map<std::string, std::vector<uint8_t>>> readZipArchive(
    const std::string& path, const std::vector<std::string>& wanted, const EntryLimits& limits = {},
    std::vector<std::string>* leftOut = nullptr);
// The same on bytes in memory (used by the fuzzer and by tests).
std::optional<std::map<std::string, std::vector<uint8_t>>> readZipArchiveBytes(
    const std::vector<uint8_t>& data, const std::vector<std::string>& wanted,
    const EntryLimits& limits = {}, std::vector<std::string>* leftOut = nullptr);

// Whether `name` can only be an entry directly in the archive: not empty, no folder separator
// ("/" or "\\"), no "..", no control characters. Names read from a project's text are checked
// with it before anything is looked up.
bool isPlainEntryName(std::string_view name);
