#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace inifile {

// Conversions between UTF-8 and the encodings a settings file may have, through iconv.
// Nothing is replaced: a text with a character the target cannot hold, or that is not
// valid in its own encoding, gives nullopt.

// Code page 1251: a UTF-8 text with a character outside the code page (or that is not
// valid UTF-8) and a code page text with the undefined byte 0x98 give nullopt.
std::optional<std::string> Utf8ToCp1251(std::string_view utf8);
std::optional<std::string> Cp1251ToUtf8(std::string_view cp1251);

// UTF-16 without a byte-order mark, little- or big-endian. An odd number of bytes or an
// unpaired surrogate is invalid.
std::optional<std::string> Utf16ToUtf8(std::string_view utf16, bool bigEndian);
std::optional<std::string> Utf8ToUtf16(std::string_view utf8, bool bigEndian);

// True for well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace inifile
