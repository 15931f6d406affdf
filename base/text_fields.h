// Text cut into fields at a separator, and fields joined back: "1,,3" <-> {"1", "", "3"}.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Every field, empty ones included: n separators give n + 1 fields, so "" gives {""}.
std::vector<std::string> splitFields(std::string_view text, char separator);
// The fields with the separator between them; the inverse of splitFields.
std::string joinFields(const std::vector<std::string>& fields, char separator);
