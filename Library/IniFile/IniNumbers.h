#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace inifile {

// Value forms of the settings file, independent of the locale.

// Decimal with optional '+' or '-', or "$" / "0x" / "0X" followed by 1 to 8 hex digits
// taken as a 32-bit two's complement pattern. Anything else, or a decimal outside the
// 32-bit range, gives nullopt.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// Decimal number with '.' as separator, optional sign and exponent; finite values only.
std::optional<double> ParseFloat(std::string_view text);

// General form with up to 15 significant digits, '.' as separator, no trailing zeros.
// Precondition: value is finite.
std::string FormatFloat(double value);

}  // namespace inifile
