#include "base/number_text.h"

#include <charconv>
#include <cmath>

std::string fixedText(double value, int decimals) {
  char buffer[400];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

namespace {
// Leading blanks and a plus sign do not stop a number.
std::string_view withoutPlus(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return text;
}
}  // namespace

int64_t leadingInt(std::string_view text) {
  text = withoutPlus(text);
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  return error == std::errc() ? value : 0;
}

double leadingReal(std::string_view text) {
  text = withoutPlus(text);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::general);
  (void)end;
  return error == std::errc() && std::isfinite(value) ? value : 0.0;
}
