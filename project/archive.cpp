#include "project/archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <memory>

namespace {

struct WriterDeleter {
  void operator()(archive* a) const { archive_write_free(a); }
};
struct ReaderDeleter {
  void operator()(archive* a) const { archive_read_free(a); }
};
struct EntryDeleter {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};

bool addEntry(archive* a, const ArchiveEntry& entry) {
  if (!entry.ok) return false;
  std::unique_ptr<archive_entry, EntryDeleter> header(archive_entry_new());
  if (!header) return false;
  archive_entry_set_pathname(header.get(), entry.name.c_str());
  archive_entry_set_filetype(header.get(), AE_IFREG);
  archive_entry_set_perm(header.get(), 0644);
  archive_entry_set_size(header.get(), static_cast<la_int64_t>(entry.bytes.size()));
  archive_entry_set_mtime(header.get(), std::time(nullptr), 0);
  if (archive_write_header(a, header.get()) != ARCHIVE_OK) return false;
  size_t written = 0;
  while (written < entry.bytes.size()) {
    const la_ssize_t n =
        archive_write_data(a, entry.bytes.data() + written, entry.bytes.size() - written);
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return archive_write_finish_entry(a) == ARCHIVE_OK;
}

std::optional<std::map<std::string, std::vector<uint8_t>>> readEntries(
    archive* a, const std::vector<std::string>& wanted, const EntryLimits& limits,
    std::vector<std::string>* leftOut) {
  std::map<std::string, std::vector<uint8_t>> found;
  archive_entry* header = nullptr;
  int status;
  bool any = false;
  while ((status = archive_read_next_header(a, &header)) == ARCHIVE_OK ||
         status == ARCHIVE_WARN) {
    any = true;
    const char* name = archive_entry_pathname(header);
    if (!name || std::find(wanted.begin(), wanted.end(), name) == wanted.end() ||
        found.count(name)) {
      archive_read_data_skip(a);
      continue;
    }
    // Read in pieces rather than trusting the stored size: a damaged or hostile archive may
    // claim any size, and memory grows only with data that really decompresses, and only as
    // long as the entry can still be valid.
    const EntryLimit limit = limits ? limits(name) : fixedLimit(kMaxEntryBytes);
    std::vector<uint8_t> bytes;
    uint8_t buffer[1 << 16];
    bool good = true;
    for (;;) {
      const la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0 || static_cast<size_t>(n) > kMaxEntryBytes - bytes.size()) {
        good = false;
        break;
      }
      bytes.insert(bytes.end(), buffer, buffer + n);
      if (bytes.size() > limit(bytes)) {
        good = false;
        break;
      }
    }
    if (!good) {  // a broken entry is left out; a broken archive ends at the next header
      if (leftOut) leftOut->push_back(name);
      continue;
    }
    found.emplace(name, std::move(bytes));
  }
  if (status == ARCHIVE_FATAL && !any) return std::nullopt;
  return found;
}

std::unique_ptr<archive, ReaderDeleter> zipReader() {
  std::unique_ptr<archive, ReaderDeleter> a(archive_read_new());
  if (a) archive_read_support_format_zip(a.get());
  return a;
}

}  // namespace

bool syncToDisk(int fd) { return ::fsync(fd) == 0; }

EntryLimit fixedLimit(size_t bytes) {
  return [bytes](std::span<const uint8_t>) { return bytes; };
}

ArchiveWrite writeZipArchive(const std::string& path, const std::vector<ArchiveEntry>& entries,
                             const std::function<bool(int fd)>& syncFile, Progress* progress) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return ArchiveWrite::cannotCreate;
  bool allAdded = true;
  {
    std::unique_ptr<archive, WriterDeleter> a(archive_write_new());
    if (!a || archive_write_set_format_zip(a.get()) != ARCHIVE_OK ||
        archive_write_set_options(a.get(), "zip:compression=deflate,zip:compression-level=6") !=
            ARCHIVE_OK ||
        archive_write_open_fd(a.get(), fd) != ARCHIVE_OK) {
      ::close(fd);
      return ArchiveWrite::cannotCreate;
    }
    size_t total = 0, done = 0;
    for (const ArchiveEntry& entry : entries) total += entry.bytes.size();
    for (const ArchiveEntry& entry : entries) {
      if (progress) {
        progress->report(ProgressStage::writing, total ? static_cast<double>(done) / total : 0);
        if (progress->cancelled()) {
          a.reset();
          ::close(fd);
          return ArchiveWrite::cancelled;
        }
      }
      if (!addEntry(a.get(), entry)) allAdded = false;
      done += entry.bytes.size();
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK) allAdded = false;
  }
  // The data must be on disk before the file is renamed over the previous project, so that a
  // crash at any moment leaves either the old or the new file whole.
  if (!syncFile(fd)) allAdded = false;
  if (::close(fd) != 0) allAdded = false;
  return allAdded ? ArchiveWrite::ok : ArchiveWrite::entryFailed;
}

std::optional<std::map<std::string, std::vector<uint8_t>>> readZipArchive(
    const std::string& path, const std::vector<std::string>& wanted, const EntryLimits& limits,
    std::vector<std::string>* leftOut) {
  auto a = zipReader();
  if (!a || archive_read_open_filename(a.get(), path.c_str(), 1 << 16) != ARCHIVE_OK)
    return std::nullopt;
  return readEntries(a.get(), wanted, limits, leftOut);
}

std::optional<std::map<std::string, std::vector<uint8_t>>> readZipArchiveBytes(
    const std::vector<uint8_t>& data, const std::vector<std::string>& wanted,
    const EntryLimits& limits, std::vector<std::string>* leftOut) {
  auto a = zipReader();
  if (!a || archive_read_open_memory(a.get(), data.data(), data.size()) != ARCHIVE_OK)
    return std::nullopt;
  return readEntries(a.get(), wanted, limits, leftOut);
}

bool isPlainEntryName(std::string_view name) {
  if (name.empty() || name.find("..") != std::string_view::npos) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || u < 0x20 || u == 0x7F;
  });
}
