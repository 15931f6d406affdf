// "project.ini": the settings text of a project file, "key=value" lines after a comment line.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class IniWriter {
 public:
  IniWriter() : text_("; Quillmap project\n") {}
  void add(const std::string& key, const std::string& value) { text_ += key + "=" + value + "\n"; }
  void addInt(const std::string& key, int64_t value) { add(key, std::to_string(value)); }
  void addReal(const std::string& key, double value, int decimals);
  // A ";" line, which readers skip.
  void comment(const std::string& text) { text_ += "; " + text + "\n"; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Keys and their values: carriage returns removed, empty and ";" lines skipped, the key before
// the first "=" (at position 2 or later) trimmed, the value after it untrimmed; a later line
// with the same key wins.
class IniValues {
 public:
  explicit IniValues(std::string_view text);
  bool empty() const { return values_.empty(); }
  bool has(const std::string& key) const { return values_.count(key) != 0; }
  // A missing key reads as empty text, whose number is 0.
  std::string text(const std::string& key) const;
  int64_t integer(const std::string& key) const;
  double real(const std::string& key) const;
  // The value cut at commas.
  std::vector<std::string> fields(const std::string& key) const;

 private:
  std::map<std::string, std::string> values_;
};

// The report text on one line: backslashes doubled, carriage returns dropped, line feeds
// written as backslash-n; and back.
std::string escapeInfo(std::string_view text);
std::string unescapeInfo(std::string_view text);
