#include "project/project_ini.h"

#include "base/number_text.h"
#include "base/text_fields.h"

void IniWriter::addReal(const std::string& key, double value, int decimals) {
  add(key, fixedText(value, decimals));
}

IniValues::IniValues(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (char c : text)
    if (c != '\r') clean += c;
  size_t start = 0;
  while (start < clean.size()) {
    size_t end = clean.find('\n', start);
    if (end == std::string::npos) end = clean.size();
    const std::string_view line(clean.data() + start, end - start);
    start = end + 1;
    if (line.empty() || line.front() == ';') continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq < 1) continue;  // a key needs at least one character
    std::string_view key = line.substr(0, eq);
    while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    values_[std::string(key)] = std::string(line.substr(eq + 1));
  }
}

std::string IniValues::text(const std::string& key) const {
  const auto it = values_.find(key);
  return it == values_.end() ? "" : it->second;
}

int64_t IniValues::integer(const std::string& key) const { return leadingInt(text(key)); }

double IniValues::real(const std::string& key) const { return leadingReal(text(key)); }

std::vector<std::string> IniValues::fields(const std::string& key) const {
  return splitFields(text(key), ',');
}

std::string escapeInfo(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c != '\r')
      out += c;
  }
  return out;
}

std::string unescapeInfo(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == 'n')) {
      out += text[i + 1] == 'n' ? '\n' : '\\';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}
