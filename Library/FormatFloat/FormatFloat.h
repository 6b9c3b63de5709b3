#pragma once

#include <string>


// Formats a number after a simple picture pattern. The decimal separator is
// the program's own (DecimalSeparator(), '.' unless changed); the system
// locale is never consulted.
//
// Pattern: optional literal prefix, integer digits ('0' = always shown,
// '#' = shown when significant), optionally '.' followed by fraction digits
// ('0' = always shown, '#' = shown when not a trailing zero), optional
// literal suffix. Examples: "0.00", "0.00000", "#0.0##", "0".
// The value is first taken to 15 significant decimal digits and then
// rounded half away from zero at the last shown digit, so that 2.675 with
// "0.00" gives "2.68" and 7812.5 with "0" gives "7813".
// A result that rounds to zero carries no minus sign. NaN and infinities give
// "NAN", "INF" and "-INF".
// Precondition: the pattern holds at most one '.' among its digit characters.
std::string FormatFloat(const std::string& pattern, double value);
