#include "export/script.h"

#include "base/file_io.h"
#include "base/number_text.h"

std::string formatMetres(double value) {
  std::string text = fixedText(value, 5);
  const size_t dot = text.find('.');
  if (dot == std::string::npos) return text;
  while (text.back() == '0' && text.size() - dot - 1 > 2) text.pop_back();
  return text;
}

TextureMetres textureMetres(int w, int h) {
  TextureMetres m;
  if (w < h) m.width = 2.0 * w / h;
  if (h < w) m.height = 2.0 * h / w;
  return m;
}

MexSize expectedMex(int w, int h) {
  const TextureMetres m = textureMetres(w, h);
  return {static_cast<int64_t>(m.width * 1024 + 0.5), static_cast<int64_t>(m.height * 1024 + 0.5)};
}

namespace {

std::string withBackslashes(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

constexpr size_t kMaxScriptLine = 127;

}  // namespace

ScriptPlace placeInSeriousSam(const std::string& chosenPath, const std::string& root) {
  ScriptPlace place;
  const std::string path = withBackslashes(chosenPath);
  std::string r = withBackslashes(root);
  if (!r.empty() && r.back() != '\\') r += '\\';
  if (r.empty() || path.size() < r.size() ||
      !sameTextIgnoringCase(path.substr(0, r.size()), r)) {
    place.message = "The file is not inside the Serious Sam folder (" + root +
                    ").\nSerious Modeler can only use files inside that folder.\n\n"
                    "If this is not your Serious Sam folder, change it in Tools > Preferences.";
    return place;
  }
  const std::string relative = path.substr(r.size());
  if (relative.find(' ') != std::string::npos) {
    place.message = "The folder or file name contains a space:\n" + relative +
                    "\nSerious Modeler cannot read names with spaces in a script.";
    return place;
  }
  const size_t slash = relative.find_last_of('\\');
  if (slash == std::string::npos) {
    place.message = "Put the model in a subfolder of the Serious Sam folder (" + root +
                    "),\nfor example " + root +
                    "MyModels\\\n\nIf this is not your Serious Sam folder, change it in "
                    "Tools > Preferences.";
    return place;
  }
  place.directory = relative.substr(0, slash + 1);
  place.name = relative.substr(slash + 1);
  if (std::string("DIRECTORY ").size() + place.directory.size() > kMaxScriptLine ||
      4 + place.name.size() > kMaxScriptLine) {
    place.message = "The path is too long for Serious Modeler (maximum 127 characters per line).";
    place.directory.clear();
    place.name.clear();
    return place;
  }
  place.ok = true;
  return place;
}

std::string scriptText(const std::string& directory, const std::string& name, int w, int h) {
  const TextureMetres m = textureMetres(w, h);
  const std::string lines[] = {
      ";******* Creation settings",
      "TEXTURE_DIM " + formatMetres(m.width) + " " + formatMetres(m.height),
      "SIZE 1.0",
      "MAX_SHADOW 0",
      "HI_QUALITY YES",
      "FLAT NO",
      "HALF_FLAT NO",
      "STRETCH_DETAIL NO",
      "",
      ";******* Mip models",
      "DIRECTORY " + directory,
      "MIP_MODELS 1",
      "    " + name,
      "",
      "ANIM_START",
      ";******* Start of animation block",
      "",
      "DIRECTORY " + directory,
      "ANIMATION Default",
      "SPEED 0.1",
      "    " + name,
      "",
      ";******* End of animation block",
      "ANIM_END",
      "",
      "END",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

ScriptWrite writeScript(const std::string& path, const std::string& directory,
                        const std::string& name, int w, int h, const std::string& shownPath) {
  const std::string text = scriptText(directory, name, w, h);
  if (writeWholeFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size()) !=
      FileWrite::ok)
    return {false, "Cannot write " + (shownPath.empty() ? path : shownPath)};
  return {true, ""};
}
