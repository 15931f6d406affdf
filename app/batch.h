// The command line: batch mode (headless work on a model), --help and --version.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// --version and the About box; QM_VERSION is the project version the build and package carry.
constexpr const char* kProgramVersion = "Quillmap " QM_VERSION;

// Runs the command line `args` (without the program name); returns the exit status.
// Output goes to `out`, messages to `err`.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
