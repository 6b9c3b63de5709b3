#pragma once

#include <stdexcept>
#include <string>

// Raised when a text is not a number in the program's number format.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses a decimal number written with the process-wide decimal separator
// (DecimalSeparator()), optional sign, optional exponent, surrounding blanks
// allowed. Throws EConvertError for anything else, including an empty text,
// trailing characters, or a value outside the range of double.
double StrToFloat(const std::string& text);
