#include <iostream>
#include <string>
#include <vector>

#include "app/batch.h"
#include "ui/run_window.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // Options are the command line's (batch mode, help, version) and need no display; anything
  // else is the window, with the file to open as its first argument.
  if (!args.empty() && args[0].starts_with("--")) return runCommandLine(args, std::cout, std::cerr);
  return runWindow(argc, argv);
}
