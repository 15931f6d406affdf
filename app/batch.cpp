#include "app/batch.h"

#include <filesystem>
#include <ostream>

#include "app/model_report.h"
#include "model/readers.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillmap --batch MODEL    read a .3ds or .obj model and print its report\n"
    "       quillmap --help           show this text\n"
    "       quillmap --version        show the version\n";

enum Status { kOk = 0, kUsageError = 1, kFileError = 2 };

int runBatch(const std::string& path, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    err << "File not found:\n" << path << "\n";
    return kFileError;
  }
  Model source;
  const ReadResult result = readModelFile(path, source);
  if (!result.ok) {
    err << "Could not open the model:\n" << result.message << "\n";
    return kFileError;
  }
  out << modelReportHead(source, false);
  return kOk;
}

}  // namespace

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && args[0] == "--help") {
    out << kUsage;
    return kOk;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << kProgramVersion << "\n";
    return kOk;
  }
  if (args.size() == 2 && args[0] == "--batch") return runBatch(args[1], out, err);
  err << kUsage;
  return kUsageError;
}
