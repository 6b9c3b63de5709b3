#include "options/NumberText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace options {

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool ParseWhole(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty() || text[0] == '+' || text[0] == '-' || text[0] == ' ') return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || v < low || v > high) return false;
    value = v;
    return true;
}

}  // namespace options
