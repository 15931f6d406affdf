// The user guide (one self-contained HTML page held in the program) and the short help shown
// when the guide cannot be opened.
#pragma once

#include <string>
#include <string_view>

constexpr const char* kUserGuideFileName = "Quillmap_Help.html";

// The guide, byte for byte as it is written out.
std::string_view userGuideHtml();
// The message-box help: seven numbered steps and a few short paragraphs.
std::string shortHelpText();
// Creates or overwrites `path` with the guide; false when the file cannot be written whole.
bool writeUserGuide(const std::string& path);
