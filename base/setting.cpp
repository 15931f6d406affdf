#include "base/setting.h"

std::string rangeText(SpinRange range) {
  return std::to_string(range.low) + " to " + std::to_string(range.high);
}

std::string wordText(const char* word, bool notes) {
  const std::string text = word;
  return notes ? text : text.substr(0, text.find(' '));
}

std::string usageLine(const OptionHelp& option) {
  constexpr size_t kHelpColumn = 20;
  const std::string& metavar = option.metavar;
  std::string line = "  " + option.option + (metavar.empty() ? "" : " " + metavar);
  if (line.size() < kHelpColumn)
    line.resize(kHelpColumn, ' ');
  else
    line += "\n" + std::string(kHelpColumn, ' ');
  for (const char c : option.help) line += c == '\n' ? "\n" + std::string(kHelpColumn, ' ') : std::string(1, c);
  return line + "\n";
}

std::string expandHelp(std::string help, const std::string& range, const std::string& words,
                       const std::string& defaultText) {
  for (const auto& [name, text] : {std::pair<std::string, const std::string&>{"{range}", range},
                                   {"{words}", words},
                                   {"{default}", defaultText}})
    for (size_t at = help.find(name); at != std::string::npos; at = help.find(name, at + text.size()))
      help.replace(at, name.size(), text);
  return help;
}
