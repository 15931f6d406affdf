#include <iostream>
#include <string>
#include <vector>

#include "app/batch.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0].starts_with("--")) return runCommandLine(args, std::cout, std::cerr);
  std::cerr << "The main window is not part of this build yet; use --batch MODEL.\n";
  return 1;
}
