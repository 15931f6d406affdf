// A folder of its own under the system's temporary folder for a test, a benchmark or a tool,
// and whole-file reading and writing there.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Emptied when made and removed with everything in it when done. The process id in its name
// keeps programs that run at the same time apart.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name)
      : dir_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~TempFolder() { std::filesystem::remove_all(dir_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  // The path of `name` inside the folder.
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

// The whole file as bytes in a string; "" when it cannot be read.
inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Creates or replaces the file with exactly these bytes.
inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}
