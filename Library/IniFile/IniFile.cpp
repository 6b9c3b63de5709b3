#include "IniFile/IniFile.h"

#include "AtomicFile.h"
#include "Cp1251.h"
#include "IniLine.h"
#include "IniNumbers.h"

#include <cmath>
#include <optional>

namespace inifile {
namespace {

// A settings file is a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxFileBytes = 16u * 1024u * 1024u;

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Why a section name cannot be written, or nullopt. `name` is code page 1251.
std::optional<std::string> CheckSectionName(std::string_view name) {
    if (name.empty()) return "пустое имя секции";
    if (HasLineBreakOrNul(name)) return "перевод строки в имени секции";
    if (TrimIniBlanks(name) != name) return "пробелы в начале или в конце имени секции";
    return std::nullopt;
}

std::optional<std::string> CheckKeyName(std::string_view key) {
    if (key.empty()) return "пустое имя ключа";
    if (HasLineBreakOrNul(key)) return "перевод строки в имени ключа";
    if (TrimIniBlanks(key) != key) return "пробелы в начале или в конце имени ключа";
    if (key.find('=') != std::string_view::npos) return "знак '=' в имени ключа";
    if (key.front() == '[' || key.front() == ';') return "имя ключа начинается с '[' или ';'";
    return std::nullopt;
}

struct Decoded {
    IniEncoding encoding = IniEncoding::Cp1251;
    std::string text;                    // code page 1251 bytes or UTF-8
    std::optional<std::string> problem;  // the encoding cannot be told: why
};

Decoded Decode(std::string_view bytes) {
    Decoded result;
    auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    auto utf16 = [&](IniEncoding encoding, bool bigEndian, const char* name) {
        result.encoding = encoding;
        if (auto text = Utf16ToUtf8(bytes.substr(2), bigEndian))
            result.text = std::move(*text);
        else
            result.problem = std::string("после метки ") + name + " идут байты, недопустимые в " + name;
    };
    if (startsWith(std::string_view("\xFF\xFE\0\0", 4)) || startsWith(std::string_view("\0\0\xFE\xFF", 4))) {
        result.problem = "метка кодировки UTF-32, такая кодировка не поддерживается";
    } else if (startsWith("\xEF\xBB\xBF")) {
        result.encoding = IniEncoding::Utf8Bom;
        result.text = bytes.substr(3);
        if (!IsValidUtf8(result.text)) result.problem = "после метки UTF-8 идут байты, недопустимые в UTF-8";
    } else if (startsWith("\xFF\xFE")) {
        utf16(IniEncoding::Utf16LeBom, false, "UTF-16LE");
    } else if (startsWith("\xFE\xFF")) {
        utf16(IniEncoding::Utf16BeBom, true, "UTF-16BE");
    } else if (bytes.find('\0') != std::string_view::npos) {
        result.problem = "нулевые байты без метки кодировки (UTF-16 или UTF-32 без метки?)";
    } else {
        result.text = bytes;
    }
    if (result.problem) {
        result.encoding = IniEncoding::Cp1251;
        result.text.clear();
    }
    return result;
}

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
    FileReadResult file = ReadWholeFile(path_, kMaxFileBytes);
    if (file.error) {
        loadStatus_ = IniStatus::Failure("Не могу прочитать файл настроек '" + path_ + "': " + *file.error);
        return;
    }
    Load(file.bytes);
}

TIniFile::TIniFile(std::string path, std::string_view bytes, FromBytesTag) : path_(std::move(path)) {
    Load(bytes);
}

void TIniFile::Load(std::string_view bytes) {
    Decoded decoded = Decode(bytes);
    if (decoded.problem) {
        loadStatus_ = IniStatus::Failure("Не могу прочитать файл настроек '" + path_ +
                                         "': не удалось определить его кодировку: " + *decoded.problem +
                                         ". Файл оставлен как есть.");
        return;
    }
    encoding_ = decoded.encoding;
    Parse(decoded.text);
}

std::optional<std::string> TIniFile::ToLineText(std::string_view utf8) const {
    if (encoding_ == IniEncoding::Cp1251) return Utf8ToCp1251(utf8);
    if (!IsValidUtf8(utf8)) return std::nullopt;
    return std::string(utf8);
}

std::optional<std::string> TIniFile::FromLineText(std::string_view text) const {
    if (encoding_ == IniEncoding::Cp1251) return Cp1251ToUtf8(text);
    if (!IsValidUtf8(text)) return std::nullopt;
    return std::string(text);
}

TIniFile TIniFile::FromBytes(std::string path, std::string_view bytes) {
    return TIniFile(std::move(path), bytes, FromBytesTag{});
}

void TIniFile::Parse(std::string_view bytes) {
    // CR LF, LF and a lone CR all end a line; a last line without an ending still counts.
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines_.emplace_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines_.emplace_back(bytes.substr(start));
}

bool TIniFile::LookUp(std::string_view section, std::string_view key, std::string& rawValue) const {
    const auto sectionBytes = ToLineText(TrimIniBlanks(section));
    const auto keyBytes = ToLineText(TrimIniBlanks(key));
    if (!sectionBytes || !keyBytes || sectionBytes->empty() || keyBytes->empty()) return false;

    // Only the first section of that name counts, and in it the first key of that name.
    bool inSection = false;
    bool sectionSeen = false;
    for (const std::string& text : lines_) {
        const IniLine line = ClassifyLine(text);
        if (line.kind == IniLine::Kind::Section) {
            if (inSection) return false;
            inSection = !sectionSeen && SameName(line.name, *sectionBytes);
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && line.kind == IniLine::Kind::Entry && SameName(line.name, *keyBytes)) {
            rawValue.assign(UnquoteValue(line.value));
            return true;
        }
    }
    return false;
}

bool TIniFile::KeyExists(std::string_view section, std::string_view key) const {
    std::string raw;
    return LookUp(section, key, raw);
}

namespace {

// Appends `name` (line text) to `names` (UTF-8) unless a matching name is there.
template <class Convert>
void AddName(std::vector<std::string>& names, std::vector<std::string>& seen, std::string_view name,
             const Convert& toUtf8) {
    if (name.empty()) return;
    for (const std::string& other : seen)
        if (SameName(other, name)) return;
    seen.emplace_back(name);
    if (auto text = toUtf8(name)) names.push_back(std::move(*text));
}

}  // namespace

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> names, seen;
    for (const std::string& text : lines_) {
        const IniLine line = ClassifyLine(text);
        if (line.kind == IniLine::Kind::Section)
            AddName(names, seen, line.name, [this](std::string_view n) { return FromLineText(n); });
    }
    return names;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> names, seen;
    const auto sectionBytes = ToLineText(TrimIniBlanks(section));
    if (!sectionBytes || sectionBytes->empty()) return names;
    // The same walk as LookUp: only the first section of that name counts.
    bool inSection = false;
    for (const std::string& text : lines_) {
        const IniLine line = ClassifyLine(text);
        if (line.kind == IniLine::Kind::Section) {
            if (inSection) break;
            inSection = SameName(line.name, *sectionBytes);
        } else if (inSection && line.kind == IniLine::Kind::Entry) {
            AddName(names, seen, line.name, [this](std::string_view n) { return FromLineText(n); });
        }
    }
    return names;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    std::string raw;
    if (!LookUp(section, key, raw)) return std::string(defaultValue);
    auto text = FromLineText(raw);
    return text ? std::move(*text) : std::string(defaultValue);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue) const {
    std::string raw;
    if (!LookUp(section, key, raw)) return defaultValue;
    return ParseInteger(raw).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double defaultValue) const {
    std::string raw;
    if (!LookUp(section, key, raw)) return defaultValue;
    return ParseFloat(raw).value_or(defaultValue);
}

IniStatus TIniFile::Refuse(std::string_view section, std::string_view key, const std::string& why) const {
    return IniStatus::Failure("Не могу записать ключ '" + std::string(key) + "' секции '" +
                              std::string(section) + "' в файл настроек '" + path_ + "': " + why);
}

IniStatus TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const auto sectionBytes = ToLineText(section);
    const auto keyBytes = ToLineText(key);
    const auto valueBytes = ToLineText(value);
    if (!sectionBytes || !keyBytes || !valueBytes)
        return Refuse(section, key, encoding_ == IniEncoding::Cp1251
                                        ? "текст нельзя записать в кодовой странице 1251"
                                        : "текст не в кодировке UTF-8");
    if (auto why = CheckSectionName(*sectionBytes)) return Refuse(section, key, *why);
    if (auto why = CheckKeyName(*keyBytes)) return Refuse(section, key, *why);
    if (HasLineBreakOrNul(*valueBytes)) return Refuse(section, key, "перевод строки в значении");
    WriteRaw(*sectionBytes, *keyBytes, QuoteValueIfNeeded(*valueBytes));
    return IniStatus::Success();
}

void TIniFile::WriteRaw(std::string_view section, std::string_view key, std::string_view value) {
    // Find the first section of that name: its header, its first entry of that key,
    // and the line after its last entry.
    std::optional<std::size_t> header, entry;
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const IniLine line = ClassifyLine(lines_[i]);
        if (line.kind == IniLine::Kind::Section) {
            if (header) break;
            if (SameName(line.name, section)) {
                header = i;
                insertAt = i + 1;
            }
        } else if (header && line.kind == IniLine::Kind::Entry) {
            insertAt = i + 1;
            if (!entry && SameName(line.name, key)) entry = i;
        }
    }

    if (entry) {
        // In place; a value that is already there leaves the line as it is, otherwise
        // the key keeps the spelling it has in the file and the blanks before it.
        const std::string& old = lines_[*entry];
        const IniLine line = ClassifyLine(old);
        if (line.value == value) return;
        std::size_t indent = 0;
        while (indent < old.size() && IsIniBlank(old[indent])) ++indent;
        lines_[*entry] = old.substr(0, indent) + std::string(line.name) + "=" + std::string(value);
        modified_ = true;
        return;
    }
    std::string newLine = std::string(key) + "=" + std::string(value);
    if (header) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(newLine));
    } else {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(newLine));
    }
    modified_ = true;
}

IniStatus TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

IniStatus TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

IniStatus TIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
    if (!std::isfinite(value)) return Refuse(section, key, "значение не является конечным числом");
    return WriteString(section, key, FormatFloat(value));
}

std::string TIniFile::Image() const {
    std::string text;
    std::size_t size = 0;
    for (const std::string& line : lines_) size += line.size() + 2;
    text.reserve(size);
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    switch (encoding_) {
    case IniEncoding::Cp1251:
        return text;
    case IniEncoding::Utf8Bom:
        return "\xEF\xBB\xBF" + text;
    case IniEncoding::Utf16LeBom:
    case IniEncoding::Utf16BeBom: {
        // Every line is valid UTF-8 (decoded from the file or checked when written), so
        // the conversion cannot fail.
        const bool bigEndian = encoding_ == IniEncoding::Utf16BeBom;
        return (bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE")) +
               Utf8ToUtf16(text, bigEndian).value_or(std::string());
    }
    }
    return text;
}

IniStatus TIniFile::Flush() {
    if (!loadStatus_)
        return IniStatus::Failure("Не могу сохранить файл настроек '" + path_ +
                                  "': его прежнее содержимое не удалось прочитать, файл оставлен как есть");
    if (auto why = ReplaceFile(path_, Image()))
        return IniStatus::Failure("Не могу сохранить файл настроек '" + path_ + "': " + *why +
                                  ". Прежний файл сохранён без изменений.");
    modified_ = false;
    return IniStatus::Success();
}

}  // namespace inifile
