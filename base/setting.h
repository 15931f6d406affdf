// A setting as one row of its group's table: where the project file keeps it, its range and
// items, and the batch option that sets it with its usage line. The project reader and
// writer, the batch parser and its usage text, the range clamping and the windows' controls
// all walk these rows, so a setting's key, range and default are written once. The default is
// the record's own member initializer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

// A spin box of whole numbers; a value outside goes to the nearer end.
struct SpinRange {
  int low, high;
  constexpr int clamp(int64_t value) const {
    return static_cast<int>(std::clamp<int64_t>(value, low, high));
  }
  constexpr bool contains(int64_t value) const { return value >= low && value <= high; }
};

enum class SettingKind {
  number,  // a whole number from low to high; a value outside goes to the nearer end
  list,    // an item's index, 0 to high; a value that is no item's index selects the first item
  cycle,   // an item's index, 0 to high (high + 1 a power of 2); a value outside wraps around
  flag,    // a check box: 0 or 1, and any value but 0 is 1
  colour,  // RGB, red in the lowest byte: the low 24 bits
  side,    // one of `sides`; a value that is none of them is the first
  real,    // a decimal number; with low < high, brought into low / scale to high / scale
};

// How a table reaches its field of the record.
template <typename Record>
struct FieldAccess {
  double (*get)(const Record&);
  void (*set)(Record&, double);
};

namespace settingDetail {
template <typename>
struct MemberOf;
template <typename R, typename T>
struct MemberOf<T R::*> {
  using Record = R;
  using Type = T;
};
template <auto Field>
using RecordOf = typename MemberOf<decltype(Field)>::Record;
template <auto Field>
double get(const RecordOf<Field>& record) {
  using Type = typename MemberOf<decltype(Field)>::Type;
  if constexpr (std::is_enum_v<Type>)
    return static_cast<double>(static_cast<int64_t>(record.*Field));
  else
    return static_cast<double>(record.*Field);
}
template <auto Field>
void set(RecordOf<Field>& record, double value) {
  using Type = typename MemberOf<decltype(Field)>::Type;
  if constexpr (std::is_floating_point_v<Type>)
    record.*Field = value;
  else
    record.*Field = static_cast<Type>(static_cast<int64_t>(value));
}
}  // namespace settingDetail

// The access to one member (a number, bool or enum) of a record.
template <auto Field>
inline constexpr FieldAccess<settingDetail::RecordOf<Field>> fieldOf{settingDetail::get<Field>,
                                                                     settingDetail::set<Field>};

template <typename Record>
struct Setting {
  const char* key;  // in project.ini
  SettingKind kind;
  FieldAccess<Record> field;
  int low = 0, high = 0;                // number and real: the range; list and cycle: 0 .. items - 1
  std::span<const int> sides = {};      // side: the values offered, in the order of the list
  std::span<const char* const> labels = {};  // list and cycle: the items as the window shows them
  int decimals = 0;                     // real: as the project file writes it
  double scale = 1;                     // real: units of the range (and option) per unit of the value

  // The batch option that sets it ("" none) and its usage line: "{range}", "{words}" and
  // "{default}" in `help` stand for the range, the option's words and the default; a "\n"
  // goes on in the column of the help texts.
  const char* option = "";
  const char* metavar = "";
  const char* help = "";
  // The option's words for the items, each as the help shows it: the word, then a note
  // after a space. Empty: the labels in lower case.
  std::span<const char* const> words = {};
  const char* unit = "";  // number: what the option's error calls the unit ("" none)

  constexpr SpinRange range() const { return {low, high}; }
  constexpr int itemCount() const { return high + 1; }

  // The item a list control selects for `value`: the first one when no item has that index.
  constexpr int pick(int64_t value) const {
    return value >= 0 && value <= high ? static_cast<int>(value) : 0;
  }
  // A whole number from a file or the preferences brought into the setting's values.
  constexpr int64_t bring(int64_t value) const {
    switch (kind) {
      case SettingKind::number: return range().clamp(value);
      case SettingKind::list: return pick(value);
      case SettingKind::cycle: return value & high;
      case SettingKind::flag: return value != 0;
      case SettingKind::colour: return value & 0xFFFFFF;
      case SettingKind::side:
        return std::find(sides.begin(), sides.end(), value) != sides.end() ? value : sides[0];
      case SettingKind::real: break;
    }
    return value;
  }
  // A decimal number brought into the range.
  constexpr double bring(double value) const {
    return low < high ? std::clamp(value, low / scale, high / scale) : value;
  }
  // The index of the item that shows `value`; a value outside goes to the nearer end (side:
  // the first item).
  constexpr int index(int64_t value) const {
    if (kind == SettingKind::side) {
      const auto it = std::find(sides.begin(), sides.end(), value);
      return it == sides.end() ? 0 : static_cast<int>(it - sides.begin());
    }
    return static_cast<int>(std::clamp<int64_t>(value, 0, high));
  }
  double defaultValue() const { return field.get(Record{}); }
};

// "1 to 89".
std::string rangeText(SpinRange range);
// The option's words without their notes; with notes (as the help shows them) when `notes`.
std::string wordText(const char* word, bool notes);
// "a, b or c" of the words of a list or cycle setting.
template <typename Record>
std::string wordsText(const Setting<Record>& s, bool notes);
// The index of the item whose word is `text`, or -1.
template <typename Record>
int wordIndex(const Setting<Record>& s, const std::string& text);

// The option's word (without its note) or label in lower case of item i.
template <typename Record>
std::string itemWord(const Setting<Record>& s, int i, bool notes) {
  if (!s.words.empty()) return wordText(s.words[static_cast<size_t>(i)], notes);
  std::string word = s.labels[static_cast<size_t>(i)];
  for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return word;
}

template <typename Record>
std::string wordsText(const Setting<Record>& s, bool notes) {
  std::string text;
  for (int i = 0; i < s.itemCount(); ++i)
    text += (i == 0 ? "" : i == s.high ? " or " : ", ") + itemWord(s, i, notes);
  return text;
}

template <typename Record>
int wordIndex(const Setting<Record>& s, const std::string& text) {
  for (int i = 0; i < s.itemCount(); ++i)
    if (itemWord(s, i, false) == text) return i;
  return -1;
}

// What an option's value is, for the shell completion.
enum class OptionValue {
  none,    // a switch: no value
  text,    // anything: a number, a size, a script
  words,   // one of `words`
  file,    // a file name; `words` are the extensions offered (empty: any file)
  folder,  // a folder name
};

// A command-line option as --help, the manual page and the shell completion show it.
struct OptionHelp {
  std::string option;   // "--mapping"
  std::string metavar;  // the value's name; "" for a switch
  std::string help;     // a "\n" goes on in the column of the help texts
  OptionValue value = OptionValue::none;
  std::vector<std::string> words;
};

// A line of the usage text: the option and its value, then the help from the column of the
// help texts (on a line of its own when the option reaches that column).
std::string usageLine(const OptionHelp& option);
// `help` with "{range}", "{words}" and "{default}" replaced.
std::string expandHelp(std::string help, const std::string& range, const std::string& words,
                       const std::string& defaultText);

// The setting's option; an empty option when it has none.
template <typename Record>
OptionHelp optionHelp(const Setting<Record>& s) {
  if (*s.option == '\0') return {};
  const bool items = s.kind == SettingKind::list || s.kind == SettingKind::cycle;
  const auto byDefault = static_cast<int64_t>(s.defaultValue() * (s.kind == SettingKind::real ? s.scale : 1));
  const std::string defaultText =
      items ? itemWord(s, static_cast<int>(byDefault), false) : std::to_string(byDefault);
  OptionHelp help{s.option, s.metavar,
                  expandHelp(s.help, rangeText(s.range()), items ? wordsText(s, true) : "",
                             defaultText),
                  s.kind == SettingKind::flag ? OptionValue::none
                  : items                     ? OptionValue::words
                                              : OptionValue::text,
                  {}};
  if (items)
    for (int i = 0; i < s.itemCount(); ++i) help.words.push_back(itemWord(s, i, false));
  // A switch between a few words names them all in place of a value.
  if (help.metavar.empty() && items)
    for (const std::string& word : help.words)
      help.metavar += (help.metavar.empty() ? "" : "|") + word;
  return help;
}
