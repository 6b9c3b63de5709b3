#pragma once

#include <string>

namespace options {

// Strict numbers of a command line: the whole text, nothing before or after it.

// A finite decimal (strtod's forms); false for an empty text, trailing characters, an
// overflow, infinity or NaN. value is left alone on false.
bool ParseNumber(const std::string& text, double& value);

// A whole number in [low, high], digits only (no sign, no leading space); value is left
// alone on false.
bool ParseWhole(const std::string& text, long long low, long long high, long long& value);

}  // namespace options
