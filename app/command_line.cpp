#include "app/command_line.h"

#include "app/batch_paint.h"
#include "app/batch_run.h"
#include "app/thumbnail.h"
#include "base/number_text.h"
#include "paint/settings_tables.h"
#include "render/camera.h"
#include "unwrap/unwrap_settings.h"

namespace {

// The files the program opens, and the pictures it reads as texture, stencil or pattern.
const std::vector<std::string> kOpenedFiles = {"qmap", "3ds", "obj"};
const std::vector<std::string> kImageFiles = {"png", "tga", "bmp", "jpg", "jpeg"};

OptionHelp fileOption(std::string option, std::string metavar, std::string help,
                      std::vector<std::string> extensions) {
  return {std::move(option), std::move(metavar), std::move(help), OptionValue::file,
          std::move(extensions)};
}
OptionHelp textOption(std::string option, std::string metavar, std::string help) {
  return {std::move(option), std::move(metavar), std::move(help), OptionValue::text, {}};
}
OptionHelp wordOption(std::string option, std::string metavar, std::string help,
                      std::vector<std::string> words) {
  return {std::move(option), std::move(metavar), std::move(help), OptionValue::words,
          std::move(words)};
}
OptionHelp switchOption(std::string option, std::string help) {
  return {std::move(option), "", std::move(help), OptionValue::none, {}};
}

// A table's options: those with a value, then the switches.
template <typename Record, size_t n>
void addTable(std::vector<OptionHelp>& options, const Setting<Record>* const (&table)[n]) {
  for (const bool switches : {false, true})
    for (const Setting<Record>* s : table)
      if (*s->option != '\0' && (s->kind == SettingKind::flag) == switches)
        options.push_back(optionHelp(*s));
}

// "0 test pattern, 1 texture, 2 surface colours,\n3 unwrap pieces, 4 layer colours": the view
// modes by number and name, three to the first line of the help.
std::string viewModeList() {
  std::string text;
  for (int mode = 0; mode <= viewSetting::viewMode.high; ++mode) {
    text += (mode == 0 ? "" : mode == 3 ? ",\n" : ", ") + std::to_string(mode) + " " +
            itemWord(viewSetting::viewMode, mode, false);
  }
  return text;
}

// "0 1 2 3 4": the view modes by number.
std::vector<std::string> viewModeNumbers() {
  std::vector<std::string> numbers;
  for (int mode = 0; mode <= viewSetting::viewMode.high; ++mode)
    numbers.push_back(std::to_string(mode));
  return numbers;
}

// The options that show and paint the 3D view, from --render to the pattern's.
void addViewOptions(std::vector<OptionHelp>& options) {
  const Camera reset = resetCamera(Framing{});
  options.push_back(fileOption("--render", "FILE",
                               "write the 3D view after \"Reset view\" as a PNG picture (.png is\n"
                               "added when missing)",
                               {"png"}));
  options.push_back(textOption("--view-size", "WxH",
                               "with --render or --paint: the view's size, " +
                                   rangeText(kViewSideRange) + " each\n(default " +
                                   sizeText(kDefaultViewSize) + ")"));
  options.push_back(wordOption("--view-mode", "N",
                               "with --render: " + viewModeList() +
                                   " (default: the project's, else 0)",
                               viewModeNumbers()));
  options.push_back(textOption("--yaw", "D",
                               "with --render or --paint: turn the camera to D degrees\n(default " +
                                   fixedText(reset.yaw, 0) + ")"));
  options.push_back(textOption("--pitch", "D",
                               "with --render or --paint: tilt it to D degrees, " +
                                   rangeText(viewSetting::pitch.range()) + "\n(default " +
                                   fixedText(reset.pitch, 0) + ")"));
  options.push_back(textOption(
      "--paint", "SCRIPT",
      "paint in that view (size, yaw and pitch as for --render), one undo\n"
      "step each, in order: \"brush x,y x,y ...\" drags the brush through\n"
      "the canvas points; \"fill-triangle x,y\", \"fill-flat-face x,y\",\n"
      "\"fill-surface x,y\" or \"fill-layer x,y\" clicks with that fill tool"));
  addTable(options, kBrushSettings);
  options.push_back(textOption(kColourOption, "RRGGBB", "with --paint: the brush colour in hexadecimal"));
  options.push_back(optionHelp(brushSetting::source));
  options.push_back(fileOption("--stencil", "IMAGE",
                               "load IMAGE (.png, .tga, .bmp, .jpg) as the stencil, centred in the\n"
                               "view (size as for --paint); --paint then paints through it",
                               kImageFiles));
  options.push_back(textOption("--stencil-at", "X,Y,SCALE,ANGLE",
                               "with --stencil: its centre in view pixels, screen pixels per\n"
                               "stencil pixel and clockwise degrees"));
  options.push_back(fileOption("--pattern", "IMAGE",
                               "load IMAGE as the pattern tile; --paint then paints with it",
                               kImageFiles));
  addTable(options, kPatternSettings);
  options.push_back(textOption("--anchor", "X,Y",
                               "Shift+click at view pixel X,Y: the pattern's anchor, rolled out\n"
                               "from there (anchored mapping)"));
}

// The notes after the options of --help.
constexpr const char* kBatchNotes =
    "A project is unwrapped again only when an unwrap option is given; when its layout\n"
    "is locked, only with --change-layout.\n";

// `text` for man(7): backslashes and minus signs escaped, no line starting with a control
// character, the lines of a help joined into one paragraph.
std::string roff(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else if (c == '\n')
      out += ' ';
    else if ((c == '.' || c == '\'') && (out.empty() || out.back() == '\n'))
      out += std::string("\\&") + c;
    else
      out += c;
  }
  return out;
}

// One option as a tagged paragraph of the manual page.
std::string manEntry(const std::string& lead, const OptionHelp& o) {
  return ".TP\n" + lead + "\\fB" + roff(o.option) + "\\fR" +
         (o.metavar.empty() ? "" : " \\fI" + roff(o.metavar) + "\\fR") + "\n" + roff(o.help) +
         "\n";
}

// The words bash offers for the value of `o`, or the _filedir call for its file names.
std::string completionOfValue(const OptionHelp& o) {
  std::string words;
  for (const std::string& w : o.words) words += (words.empty() ? "" : "|") + w;
  switch (o.value) {
    case OptionValue::words: {
      std::string list;
      for (const std::string& w : o.words) list += (list.empty() ? "" : " ") + w;
      return "COMPREPLY=($(compgen -W '" + list + "' -- \"$cur\"))";
    }
    case OptionValue::file: return words.empty() ? "_filedir" : "_filedir '@(" + words + ")'";
    case OptionValue::folder: return "_filedir -d";
    case OptionValue::text:
    case OptionValue::none: break;
  }
  return "";
}

std::string optionNames(const std::vector<OptionHelp>& options) {
  std::string names;
  for (const OptionHelp& o : options) names += (names.empty() ? "" : " ") + o.option;
  return names;
}

}  // namespace

std::string sizeText(std::pair<int, int> size) {
  return std::to_string(size.first) + "x" + std::to_string(size.second);
}

std::string sidesText() {
  const std::span<const int> sides = unwrapSetting::layoutWidth.sides;
  return std::to_string(sides.front()) + " to " + std::to_string(sides.back());
}

std::vector<OptionHelp> commandHelp() {
  return {
      fileOption("--batch", "FILE [options]",
                 "open a .3ds or .obj model (unwrapped as a new\n"
                 "project) or a .qmap project; print its report",
                 kOpenedFiles),
      fileOption("--thumbnail", "INPUT OUTPUT SIZE",
                 "write a SIZE x SIZE PNG picture of the\n"
                 "project or model INPUT to OUTPUT, as a file\n"
                 "manager shows it; SIZE " + rangeText(kThumbnailSides),
                 kOpenedFiles),
      switchOption("--help", "show this text"),
      switchOption("--version", "show the version"),
  };
}

std::vector<OptionHelp> batchOptionHelp() {
  const UnwrapSettings defaults;
  std::vector<OptionHelp> options = {textOption(
      "--size", "WxH",
      "texture size, powers of 2 from " + sidesText() + " (default " +
          sizeText({defaults.layoutWidth, defaults.layoutHeight}) + ")")};
  addTable(options, kUnwrapSettings);
  options.push_back(fileOption("--uv-png", "FILE", "write the UV layout picture at the texture size",
                               {"png"}));
  options.push_back(fileOption("--texture", "IMAGE",
                               "import IMAGE (.png, .tga, .bmp, .jpg) as the texture, scaled to\n"
                               "the texture size",
                               kImageFiles));
  options.push_back(fileOption("--export", "FILE",
                               "export to Serious Sam as File > Export does (.3ds is added when\n"
                               "missing) and print what was written",
                               {"3ds"}));
  options.push_back({"--root", "DIR", "with --export: the Serious Sam folder (default: the preferences)",
                     OptionValue::folder, {}});
  options.push_back(wordOption("--write", "LIST",
                               "with --export: what else to write, comma-separated from scr, tga,\n"
                               "tex and uv, or none (default: the preferences)",
                               {"none", "scr", "tga", "tex", "uv"}));
  addViewOptions(options);
  options.push_back(wordOption(
      "--change-layout", "keep|empty",
      "on a project whose layout is locked (painted): unwrap again with\n"
      "the unwrap options given, the painting following the new layout\n"
      "(keep) or not (empty); then one of the next two, or --save\n"
      "alone, which saves the project in the middle of the change",
      {"keep", "empty"}));
  options.push_back(switchOption("--lock", "lock the new layout (also of a project saved during a change)"));
  options.push_back(switchOption("--cancel", "go back to the layout, texture and settings before the change"));
  options.push_back(fileOption("--save", "FILE", "save the project (.qmap is added when missing)", {"qmap"}));
  options.push_back(switchOption("--yes", "answer Yes to questions (overwrite, newer autosave); else No"));
  return options;
}

std::string usageText() {
  constexpr size_t kCommandColumn = 42;
  std::string text;
  for (const OptionHelp& c : commandHelp()) {
    std::string line = (text.empty() ? "Usage: " : "       ") + std::string("quillmap ") + c.option +
                       (c.metavar.empty() ? "" : " " + c.metavar);
    line = line.size() < kCommandColumn ? line + std::string(kCommandColumn - line.size(), ' ')
                                        : line + "\n" + std::string(kCommandColumn, ' ');
    for (const char ch : c.help) line += ch == '\n' ? "\n" + std::string(kCommandColumn, ' ') : std::string(1, ch);
    text += line + "\n";
  }
  text += "Options of --batch:\n";
  for (const OptionHelp& o : batchOptionHelp()) text += usageLine(o);
  return text + kBatchNotes;
}

std::string manPage(const std::string& version) {
  std::string page = ".TH QUILLMAP 1 \"\" \"Quillmap " + roff(version) + "\" \"User Commands\"\n"
                     ".SH NAME\n"
                     "quillmap \\- unwrap, split and paint 3D models for Serious Sam's modeler\n"
                     ".SH SYNOPSIS\n"
                     ".B quillmap\n"
                     ".RI [ FILE ]\n";
  for (const OptionHelp& c : commandHelp())
    page += ".br\n.B quillmap " + roff(c.option) + "\n" +
            (c.metavar.empty() ? "" : ".I \"" + roff(c.metavar) + "\"\n");
  page +=
      ".SH DESCRIPTION\n"
      "Quillmap reads .3ds and .obj models, unwraps them onto one power\\-of\\-two texture,\n"
      "splits them into surfaces so that every texture seam lies on a surface border,\n"
      "lets you paint the texture on the model and exports .3ds, .scr, .tga and .tex\n"
      "files into a Serious Sam folder.\n"
      ".PP\n"
      "Without options it opens its window, and the .qmap project, .3ds or .obj model\n"
      ".I FILE\n"
      "when one is given. The commands below work without a window.\n"
      ".SH COMMANDS\n";
  for (const OptionHelp& c : commandHelp()) page += manEntry("", c);
  page += ".SH OPTIONS OF \\-\\-batch\n";
  for (const OptionHelp& o : batchOptionHelp()) page += manEntry("", o);
  page += ".PP\n" + roff(kBatchNotes) + "\n" +
          ".SH EXIT STATUS\n"
          "0 when everything asked for was done, 1 for a mistake on the command line, 2 when a\n"
          "file could not be read or written.\n"
          ".SH FILES\n"
          ".TP\n"
          ".I ~/.Quillmap/Quillmap.prefs\n"
          "the preferences: the Serious Sam folder, what an export writes, the recent files.\n"
          ".TP\n"
          ".I /usr/share/doc/quillmap/Quillmap_Help.html\n"
          "the user guide, which the window also shows from Help > User guide.\n";
  return page;
}

std::string bashCompletion() {
  // The value after an option: the file of --batch (the first command) and the batch options'.
  const OptionHelp batch = commandHelp().front();
  std::vector<OptionHelp> withValues = batchOptionHelp();
  withValues.insert(withValues.begin(), batch);
  std::string values;
  for (const OptionHelp& o : withValues)
    if (o.value != OptionValue::none) {
      const std::string action = completionOfValue(o);
      values += "    " + o.option + ") " + (action.empty() ? "" : action + "; ") + "return ;;\n";
    }
  const std::string opened = completionOfValue(batch);
  return "# bash completion for quillmap                            -*- shell-script -*-\n"
         "_quillmap() {\n"
         "  local cur prev words cword\n"
         "  _init_completion || return\n"
         "  # --thumbnail INPUT OUTPUT SIZE: a file to read, a picture to write, a number.\n"
         "  if [[ ${words[1]} == --thumbnail ]]; then\n"
         "    case $cword in\n"
         "      2) " + opened + " ;;\n"
         "      3) _filedir '@(png)' ;;\n"
         "    esac\n"
         "    return\n"
         "  fi\n"
         "  case $prev in\n" + values +
         "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    if ((cword == 1)); then\n"
         "      COMPREPLY=($(compgen -W '" + optionNames(commandHelp()) + "' -- \"$cur\"))\n"
         "    elif [[ ${words[1]} == --batch ]]; then\n"
         "      COMPREPLY=($(compgen -W '" + optionNames(batchOptionHelp()) + "' -- \"$cur\"))\n"
         "    fi\n"
         "    return\n"
         "  fi\n"
         "  " + opened + "\n"
         "} &&\n"
         "  complete -F _quillmap quillmap\n";
}
