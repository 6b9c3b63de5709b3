#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace inifile {

// Conversion between UTF-8 and the Cyrillic code page 1251 through iconv.
// Nothing is replaced: a UTF-8 text with a character outside the code page (or that
// is not valid UTF-8) and a code page text with the undefined byte 0x98 give nullopt.
std::optional<std::string> Utf8ToCp1251(std::string_view utf8);
std::optional<std::string> Cp1251ToUtf8(std::string_view cp1251);

}  // namespace inifile
