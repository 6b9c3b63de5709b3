#include "IniLine.h"

namespace inifile {

bool IsIniBlank(char c) { return c == ' ' || c == '\t' || c == '\x1a'; }

std::string_view TrimIniBlanks(std::string_view text) {
    while (!text.empty() && IsIniBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsIniBlank(text.back())) text.remove_suffix(1);
    return text;
}

IniLine ClassifyLine(std::string_view line) {
    IniLine result;
    const std::string_view text = TrimIniBlanks(line);
    if (text.empty() || text.front() == ';') return result;
    if (text.front() == '[') {
        const auto close = text.rfind(']');
        if (close == std::string_view::npos) return result;
        result.kind = IniLine::Kind::Section;
        result.name = TrimIniBlanks(text.substr(1, close - 1));
        return result;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) return result;
    const std::string_view key = TrimIniBlanks(text.substr(0, equals));
    if (key.empty()) return result;
    result.kind = IniLine::Kind::Entry;
    result.name = key;
    result.value = TrimIniBlanks(text.substr(equals + 1));
    return result;
}

namespace {

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsQuoted(std::string_view value) {
    return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

}  // namespace

std::string_view UnquoteValue(std::string_view value) {
    return IsQuoted(value) ? value.substr(1, value.size() - 2) : value;
}

std::string QuoteValueIfNeeded(std::string_view value) {
    if (!value.empty() && (IsIniBlank(value.front()) || IsIniBlank(value.back()) || IsQuoted(value)))
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace inifile
