#include "base/text_fields.h"

std::vector<std::string> splitFields(std::string_view text, char separator) {
  std::vector<std::string> fields;
  for (;;) {
    const size_t end = text.find(separator);
    fields.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) return fields;
    text.remove_prefix(end + 1);
  }
}

std::string joinFields(const std::vector<std::string>& fields, char separator) {
  std::string text;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += separator;
    text += fields[i];
  }
  return text;
}
