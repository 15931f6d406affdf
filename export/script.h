// The Serious Modeler script (.scr) written next to the exported .3ds, and the rules that
// place the export inside the Serious Sam folder, whose relative paths the script names.
#pragma once

#include <cstdint>
#include <string>

// Five decimals with trailing zeros dropped down to two: 2 -> "2.00", 0.5 -> "0.50",
// 4/3 -> "1.33333". Always "." as the separator.
std::string formatMetres(double value);

// Texture sides in metres for a layout of w x h pixels: the longer side is 2 metres, the
// shorter 2 * shorter / longer.
struct TextureMetres {
  double width = 2, height = 2;
};
TextureMetres textureMetres(int w, int h);

// The texture size in mex (1 metre = 1024 mex) a model with that layout expects: each side's
// metres * 1024 + 0.5, integer part.
struct MexSize {
  int64_t width = 0, height = 0;
};
MexSize expectedMex(int w, int h);

// Where the export lies inside the Serious Sam folder. directory: the folder relative to the
// Serious Sam folder with backslashes and a trailing backslash; name: the .3ds file's name.
struct ScriptPlace {
  bool ok = false;
  std::string directory, name;
  std::string message;  // why the script cannot be written, when !ok
};
// chosenPath: the .3ds path; root: the Serious Sam folder it should lie in (as the user gave
// it, either separator, trailing separator optional). Fails when the path is not inside root
// (letter case ignored), contains a space below it, lies directly in root, or would make a
// script line of 128 characters or more.
ScriptPlace placeInSeriousSam(const std::string& chosenPath, const std::string& root);

// The 26 lines of the script, each ended by CR LF; w x h is the layout size in pixels.
std::string scriptText(const std::string& directory, const std::string& name, int w, int h);

struct ScriptWrite {
  bool ok = false;
  std::string message;  // "Cannot write " + path on failure
};
// Creates or truncates the file and writes scriptText. A short write counts as a failure and
// removes the file. shownPath: the path the message names ("" = path).
ScriptWrite writeScript(const std::string& path, const std::string& directory,
                        const std::string& name, int w, int h, const std::string& shownPath = "");
