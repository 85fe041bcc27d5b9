#pragma once
// Number formatting and parsing with the C library's rules, always in the "C"
// locale: files written on a German desktop must still carry "1013.25".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvala {

// printf-style formatting into a std::string, independent of the process locale.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// atof: the leading decimal number of the text, 0 when there is none.
double ParseFloat(std::string_view text);

// The whole text as one decimal number (blanks around it allowed); nothing when
// there is no number or anything else is left over ("12abc", "", "8,23").
std::optional<double> ParseNumber(std::string_view text);

// atoi: the leading integer of the text, 0 when there is none; saturates at the
// int32 range instead of overflowing.
int32_t ParseInt(std::string_view text);

// Truncation toward zero into int32, saturating; NaN gives 0.
int32_t TruncToInt32(double value);

}  // namespace corvala
