#pragma once

#include "IniFile/IniStatus.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace inifile {

// A Windows-style INI file in code page 1251, bound to one path.
//
// The whole file is read once when the object is created; reads and writes work on
// that image and Flush() replaces the file on disk with it atomically (a complete new
// file is written beside the old one, synced and renamed over it), so a failed save
// leaves the previous file whole.
//
// Texts at the interface are UTF-8; on disk they are code page 1251 whatever the
// locale. A text that code page 1251 cannot hold is refused, never replaced.
//
// Matching follows the Windows profile functions: the first section of that name
// and the first key of that name in it count; ASCII letters match case-insensitively,
// every other character (blanks inside a name included) exactly; blanks and tabs
// around section names, keys and values are not part of them. Lines the object does
// not understand (comments, garbage, lines with bytes outside code page 1251) are
// kept byte for byte; only the line endings become CR LF when the file is written.
class TIniFile {
public:
    // Binds to `path` and reads the file. A missing file reads as an empty one.
    // A file that exists but cannot be read (not a regular file, too large, I/O error)
    // reads as empty too, LoadStatus() says why, and Flush() refuses to overwrite it.
    explicit TIniFile(std::string path);

    // Binds to `path` with `bytes` as the file's contents; nothing is read from disk.
    static TIniFile FromBytes(std::string path, std::string_view bytes);

    const std::string& Path() const noexcept { return path_; }
    const IniStatus& LoadStatus() const noexcept { return loadStatus_; }
    // True when writes changed the image since it was read or last flushed.
    bool Modified() const noexcept { return modified_; }

    // Readers return `defaultValue` when the section or key is missing or the value
    // cannot be read as the type.
    // Text: the value after '=', blanks around it removed and then one pair of
    // enclosing double or single quotes (as Windows reads it); an empty value is the
    // empty text; a value with a byte undefined in code page 1251 is unreadable.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal with optional sign, or "$" / "0x" / "0X" and 1 to 8 hex digits
    // (taken as a 32-bit two's complement pattern, so "$FFFFFFFF" is -1).
    // Values outside the 32-bit range are unreadable.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    // An integer as above; non-zero is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // Decimal number with '.' as separator, exponent allowed, finite.
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;
    // True when the key is present in the section (whatever its value).
    bool KeyExists(std::string_view section, std::string_view key) const;

    // Writers change the image only. A text is written as it is, except that one with
    // blanks at either end or enclosed in quotes is put in double quotes, so that it
    // reads back unchanged. An existing key gets its new value in place, a
    // new key is added after the last entry of its section, a new section is added
    // at the end of the file. Refused (image unchanged): a text that code page 1251
    // cannot hold or that is not valid UTF-8, a line break or NUL in any part, an
    // empty section or key, blanks at either end of a section or key, '=' in a key
    // or a key beginning with '[' or ';'.
    IniStatus WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Decimal, '-' for negative values.
    IniStatus WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    // "1" or "0".
    IniStatus WriteBool(std::string_view section, std::string_view key, bool value);
    // Up to 15 significant digits, '.' as separator, no trailing zeros (1.0 is "1").
    // Infinite and NaN values are refused.
    IniStatus WriteFloat(std::string_view section, std::string_view key, double value);

    // The bytes Flush() writes: every line in code page 1251, each ended by CR LF.
    std::string Image() const;

    // Replaces the file with Image() atomically. On failure the file on disk is as it
    // was, the image is kept (a later Flush() may succeed) and the status names the file.
    IniStatus Flush();

private:
    struct FromBytesTag {};
    TIniFile(std::string path, std::string_view bytes, FromBytesTag);

    void Parse(std::string_view bytes);
    IniStatus Refuse(std::string_view section, std::string_view key, const std::string& why) const;
    // The value of the first such key of the first such section, as on disk.
    bool LookUp(std::string_view section, std::string_view key, std::string& rawValue) const;
    // `section`, `key` and `value` are code page 1251 and already checked.
    void WriteRaw(std::string_view section, std::string_view key, std::string_view value);

    std::string path_;
    IniStatus loadStatus_;
    std::vector<std::string> lines_;  // code page 1251 bytes, without line endings
    bool modified_ = false;
};

}  // namespace inifile
