#pragma once

#include "IniFile/IniStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inifile {

// How a settings file is encoded on disk.
enum class IniEncoding {
    Cp1251,      // no byte-order mark: code page 1251, as the Windows profile functions read it
    Utf8Bom,     // EF BB BF, then UTF-8
    Utf16LeBom,  // FF FE, then UTF-16 little-endian (Notepad's "Unicode")
    Utf16BeBom,  // FE FF, then UTF-16 big-endian
};

// A Windows-style INI file, bound to one path.
//
// The whole file is read once when the object is created; reads and writes work on
// that image and Flush() replaces the file on disk with it atomically (a complete new
// file is written beside the old one, synced and renamed over it), so a failed save
// leaves the previous file whole.
//
// Encoding: the file's byte-order mark tells it. A file with a UTF-8, UTF-16LE or
// UTF-16BE mark is read in that encoding and written back in it, mark included; a file
// without a mark is code page 1251 (a UTF-8 file without a mark too, as Windows reads
// it), and so is a new file. A file whose encoding cannot be told is not read and never
// written over; LoadStatus() names it and says why. That is a file with
//  - a UTF-32 mark (FF FE 00 00 or 00 00 FE FF), an encoding not supported;
//  - bytes after a UTF-8 or UTF-16 mark that are not valid in that encoding (a broken
//    sequence, an unpaired surrogate, an odd number of UTF-16 bytes);
//  - no mark and a NUL byte: a text file in code page 1251 has none, UTF-16 or UTF-32
//    without a mark has many, and which one cannot be told.
// Bytes that code page 1251 leaves undefined (0x98) do not make a file unreadable: only
// the lines holding them are unreadable, and they are kept.
//
// Texts at the interface are UTF-8. In a code page 1251 file a text that the code page
// cannot hold is refused, never replaced; a UTF-8 or UTF-16 file takes any text.
//
// Matching follows the Windows profile functions: the first section of that name
// and the first key of that name in it count; ASCII letters match case-insensitively,
// every other character (blanks inside a name included) exactly; blanks and tabs
// around section names, keys and values are not part of them. Lines the object does
// not understand (comments, garbage, lines with bytes outside code page 1251) are
// kept as they are; only the line endings become CR LF when the file is written.
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
    // The encoding the file is written in (code page 1251 for a new or unreadable file).
    IniEncoding Encoding() const noexcept { return encoding_; }
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
    // The names the readers above can reach, in file order, as the file spells them:
    // every section name once (the first spelling of names that match), and the keys of
    // the first section of that name, each once. Empty names and names with a byte
    // undefined in code page 1251 are left out.
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(std::string_view section) const;

    // Writers change the image only. A text is written as it is, except that one with
    // blanks at either end or enclosed in quotes is put in double quotes, so that it
    // reads back unchanged. An existing key gets its new value in place, a
    // new key is added after the last entry of its section, a new section is added
    // at the end of the file. An existing key keeps the blanks before it. Refused (image
    // unchanged): a text that is not valid UTF-8 or, in a code page 1251 file, that the
    // code page cannot hold, a line break or NUL in any part, an
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

    // The bytes Flush() writes: the byte-order mark of the file's encoding, if it has
    // one, then every line in that encoding, each ended by CR LF.
    std::string Image() const;

    // Replaces the file with Image() atomically. On failure the file on disk is as it
    // was, the image is kept (a later Flush() may succeed) and the status names the file.
    IniStatus Flush();

private:
    struct FromBytesTag {};
    TIniFile(std::string path, std::string_view bytes, FromBytesTag);

    // Tells the encoding, decodes and parses; an encoding that cannot be told leaves the
    // image empty and sets the load status.
    void Load(std::string_view bytes);
    void Parse(std::string_view bytes);
    // Between UTF-8 at the interface and the text of the lines (code page 1251 bytes in a
    // code page 1251 file, else UTF-8); nullopt when the text cannot be held.
    std::optional<std::string> ToLineText(std::string_view utf8) const;
    std::optional<std::string> FromLineText(std::string_view text) const;
    IniStatus Refuse(std::string_view section, std::string_view key, const std::string& why) const;
    // The value of the first such key of the first such section, as on disk.
    bool LookUp(std::string_view section, std::string_view key, std::string& rawValue) const;
    // `section`, `key` and `value` are code page 1251 and already checked.
    void WriteRaw(std::string_view section, std::string_view key, std::string_view value);

    std::string path_;
    IniStatus loadStatus_;
    IniEncoding encoding_ = IniEncoding::Cp1251;
    std::vector<std::string> lines_;  // code page 1251 bytes or UTF-8 (see encoding_), without line endings
    bool modified_ = false;
};

}  // namespace inifile
