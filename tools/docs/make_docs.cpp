// Writes the manual page and the bash completion from the table that writes --help, so the
// three never differ. Usage: quillmap-docs MAN_PAGE COMPLETION VERSION
#include <fstream>
#include <iostream>

#include "app/command_line.h"

namespace {

bool writeText(const char* path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  return static_cast<bool>(file.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "Usage: quillmap-docs MAN_PAGE COMPLETION VERSION\n";
    return 1;
  }
  if (!writeText(argv[1], manPage(argv[3])) || !writeText(argv[2], bashCompletion())) {
    std::cerr << "quillmap-docs: cannot write the files\n";
    return 1;
  }
  return 0;
}
