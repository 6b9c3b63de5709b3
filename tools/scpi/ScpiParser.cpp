#include "scpi/ScpiParser.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace scpi {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool IsHeaderChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Splits at separator outside quotes and parentheses into trimmed items; an
// unbalanced quote or parenthesis is a syntax error.
TError SplitOutside(std::string_view text, char separator, std::vector<std::string_view>& items) {
    items.clear();
    int depth = 0;
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth < 0) return TError::SyntaxError;
        } else if (c == separator && depth == 0) {
            items.push_back(Trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (quote != 0 || depth != 0) return TError::SyntaxError;
    items.push_back(Trim(text.substr(start)));
    return TError::None;
}

TError SplitParameters(std::string_view text, std::vector<std::string>& parameters) {
    parameters.clear();
    if (Trim(text).empty()) return TError::None;
    std::vector<std::string_view> items;
    if (const TError error = SplitOutside(text, ',', items); error != TError::None) return error;
    for (const std::string_view item : items) {
        if (item.empty()) return TError::SyntaxError;
        parameters.emplace_back(item);
    }
    return TError::None;
}

bool ParseWhole(std::string_view text, int& value) {
    text = Trim(text);
    if (text.empty() || text.size() > 3) return false;
    value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace

TError SplitLine(std::string_view line, std::vector<std::string>& commands) {
    commands.clear();
    std::vector<std::string_view> items;
    if (const TError error = SplitOutside(line, ';', items); error != TError::None) return error;
    for (const std::string_view item : items)
        if (!item.empty()) commands.emplace_back(item);
    return TError::None;
}

TError ParseCommand(std::string_view text, TCommand& command) {
    command = TCommand{};
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return TError::InvalidCharacter;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x7F) return TError::InvalidCharacter;
    text = Trim(text);
    std::size_t end = 0;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    std::string_view header = text.substr(0, end);
    if (header.empty()) return TError::SyntaxError;
    if (header.back() == '?') {
        command.Query = true;
        header.remove_suffix(1);
    }
    if (header.front() == '*') {
        if (header.size() < 2) return TError::SyntaxError;
        for (char c : header.substr(1))
            if (!std::isalpha(static_cast<unsigned char>(c))) return TError::SyntaxError;
        command.Nodes.push_back(Upper(header));
    } else {
        if (header.front() == ':') {
            command.Rooted = true;
            header.remove_prefix(1);
        }
        std::size_t start = 0;
        for (std::size_t i = 0; i <= header.size(); ++i) {
            if (i < header.size() && header[i] != ':') {
                if (!IsHeaderChar(header[i])) return TError::SyntaxError;
                continue;
            }
            if (i == start) return TError::SyntaxError;
            command.Nodes.push_back(Upper(header.substr(start, i - start)));
            start = i + 1;
        }
    }
    return SplitParameters(text.substr(end), command.Parameters);
}

THeaderPattern::THeaderPattern(std::string_view pattern) {
    if (!pattern.empty() && pattern.back() == '?') {
        query_ = true;
        pattern.remove_suffix(1);
    }
    std::size_t i = 0;
    while (i < pattern.size()) {
        TNode node;
        if (pattern[i] == '[') {
            node.Optional = true;
            ++i;
        }
        if (i < pattern.size() && pattern[i] == ':') ++i;
        std::string name;
        while (i < pattern.size() && pattern[i] != ':' && pattern[i] != '[' && pattern[i] != ']') name += pattern[i++];
        if (i < pattern.size() && pattern[i] == ']') ++i;
        for (char c : name)
            if (std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '*')
                node.Short += c;
        node.Long = Upper(name);
        nodes_.push_back(std::move(node));
    }
}

bool THeaderPattern::Matches(const std::vector<std::string>& nodes, bool query) const {
    return query == query_ && MatchFrom(0, nodes, 0);
}

bool THeaderPattern::MatchFrom(std::size_t pattern, const std::vector<std::string>& nodes, std::size_t node) const {
    if (pattern == nodes_.size()) return node == nodes.size();
    const TNode& p = nodes_[pattern];
    if (node < nodes.size() && (nodes[node] == p.Short || nodes[node] == p.Long) &&
        MatchFrom(pattern + 1, nodes, node + 1))
        return true;
    return p.Optional && MatchFrom(pattern + 1, nodes, node);
}

bool IsChannelList(std::string_view text) {
    text = Trim(text);
    return text.size() >= 2 && text.substr(0, 2) == "(@";
}

TError ParseChannelList(std::string_view text, std::array<bool, 4>& channels) {
    channels = {};
    text = Trim(text);
    if (!IsChannelList(text) || text.back() != ')') return TError::SyntaxError;
    std::string_view body = text.substr(2, text.size() - 3);
    if (Trim(body).empty()) return TError::SyntaxError;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= body.size(); ++i) {
        if (i < body.size() && body[i] != ',') continue;
        const std::string_view item = body.substr(start, i - start);
        const std::size_t colon = item.find(':');
        int first = 0;
        int last = 0;
        if (!ParseWhole(item.substr(0, colon), first)) return TError::SyntaxError;
        last = first;
        if (colon != std::string_view::npos && !ParseWhole(item.substr(colon + 1), last)) return TError::SyntaxError;
        if (first < 1 || first > 4 || last < 1 || last > 4) return TError::DataOutOfRange;
        if (last < first) return TError::SyntaxError;
        for (int c = first; c <= last; ++c) channels[c - 1] = true;
        start = i + 1;
    }
    return TError::None;
}

TError ParseNumeric(std::string_view text, double min, double max, double fallback, double& value) {
    text = Trim(text);
    const std::string upper = Upper(text);
    if (upper == "MIN" || upper == "MINIMUM") {
        value = min;
        return TError::None;
    }
    if (upper == "MAX" || upper == "MAXIMUM") {
        value = max;
        return TError::None;
    }
    if (upper == "DEF" || upper == "DEFAULT") {
        value = fallback;
        return TError::None;
    }
    if (text.empty() || text.size() > 64) return TError::DataTypeError;
    const std::string copy(text);
    for (char c : copy)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '+' && c != '-' && c != 'e' && c != 'E')
            return TError::DataTypeError;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || errno == ERANGE) return TError::DataTypeError;
    return TError::None;
}

TError ParseBoolean(std::string_view text, bool& value) {
    const std::string upper = Upper(Trim(text));
    if (upper == "ON" || upper == "OFF") {
        value = upper == "ON";
        return TError::None;
    }
    double number = 0;
    if (upper.empty() || !(std::isdigit(static_cast<unsigned char>(upper[0])) || upper[0] == '+' || upper[0] == '-' ||
                           upper[0] == '.'))
        return TError::DataTypeError;
    if (const TError error = ParseNumeric(upper, 0, 1, 0, number); error != TError::None) return error;
    value = std::lround(number) != 0;
    return TError::None;
}

TError ParseQuoted(std::string_view text, std::string& value) {
    text = Trim(text);
    if (text.size() < 2 || (text.front() != '"' && text.front() != '\'') || text.back() != text.front())
        return TError::DataTypeError;
    value = std::string(text.substr(1, text.size() - 2));
    return TError::None;
}

std::string Nr3(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.8E", value);
    return buffer;
}

}  // namespace scpi
