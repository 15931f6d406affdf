// Numbers as text, the same under every locale (GTK sets the process locale from the
// environment, which would turn "3.5" into "3,5" for printf and strtod).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Fixed-point text rounded to `decimals` decimals, with "." as the separator.
std::string fixedText(double value, int decimals);
// The leading whole number of the text (after blanks, an optional sign, then digits); 0 when
// there is none.
int64_t leadingInt(std::string_view text);
// The leading decimal number of the text; 0 when there is none or it is not finite.
double leadingReal(std::string_view text);
