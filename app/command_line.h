// The command line as its users read it: one table of the program's commands and of the
// options of --batch, from which --help, the manual page and the bash completion are all
// written, so the three never differ.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/setting.h"

// The ways to start the program, without the window's own (quillmap [FILE]): --batch,
// --thumbnail, --help and --version, each with its arguments as metavar.
std::vector<OptionHelp> commandHelp();
// The options of --batch in the order --help lists them.
std::vector<OptionHelp> batchOptionHelp();

// "512x256".
std::string sizeText(std::pair<int, int> size);
// "32 to 2048": the smallest and largest texture side.
std::string sidesText();

// The text of --help.
std::string usageText();
// The manual page quillmap(1) in man(7) markup, for the program of version `version`.
std::string manPage(const std::string& version);
// The bash completion script of the program: options, their words and file names by extension.
std::string bashCompletion();
