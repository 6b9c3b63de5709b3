#include "FormatFloat/FormatFloat.h"

#include "FormatFloat/DecimalSeparator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Picture {
    std::string prefix;
    std::string suffix;
    int intZeros = 0;       // '0' count before the point
    int fracZeros = 0;      // '0' count after the point
    int fracOptional = 0;   // '#' count after the point (after the zeros)
};

Picture ParsePicture(const std::string& pattern) {
    Picture p;
    std::size_t first = pattern.find_first_of("0#.");
    if (first == std::string::npos) {
        p.prefix = pattern;
        return p;
    }
    std::size_t last = pattern.find_last_of("0#.");
    p.prefix = pattern.substr(0, first);
    p.suffix = pattern.substr(last + 1);
    bool afterPoint = false;
    for (std::size_t i = first; i <= last; ++i) {
        char c = pattern[i];
        if (c == '.') {
            afterPoint = true;
        } else if (!afterPoint) {
            if (c == '0') ++p.intZeros;
        } else if (c == '0') {
            // A '0' after a '#' still forces every digit up to it.
            p.fracZeros += 1 + p.fracOptional;
            p.fracOptional = 0;
        } else if (c == '#') {
            ++p.fracOptional;
        }
    }
    return p;
}

// Decimal digits of |value| with 15 significant digits: digits "d1d2..d15"
// and the position of the decimal point relative to d1 (value = 0.d1d2.. * 10^point).
void SignificantDigits(double value, std::string& digits, int& point) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    // Form: d.dddddddddddddde[+-]xx
    digits.clear();
    const char* s = buffer;
    for (; *s && *s != 'e'; ++s)
        if (*s >= '0' && *s <= '9') digits.push_back(*s);
    int exponent = (*s == 'e') ? std::atoi(s + 1) : 0;
    point = exponent + 1;
}

}  // namespace

std::string FormatFloat(const std::string& pattern, double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";

    const Picture p = ParsePicture(pattern);
    const int fracDigits = p.fracZeros + p.fracOptional;

    std::string digits;
    int point = 0;
    if (value == 0.0) {
        digits = "0";
        point = 1;
    } else {
        SignificantDigits(value, digits, point);
    }

    // Digits kept: everything before the point plus fracDigits after it.
    int keep = point + fracDigits;
    std::string kept;  // integer made of the kept digits
    if (keep < 0) {
        kept = "0";
    } else {
        std::string padded = digits;
        if (static_cast<int>(padded.size()) < keep + 1) padded.append(keep + 1 - padded.size(), '0');
        kept = padded.substr(0, keep);
        bool roundUp = padded[keep] >= '5';  // half away from zero on the magnitude
        if (kept.empty()) kept = "0";
        if (roundUp && keep >= 0) {
            int i = static_cast<int>(kept.size()) - 1;
            if (keep == 0) {
                kept = "1";
            } else {
                while (i >= 0 && kept[i] == '9') kept[i--] = '0';
                if (i >= 0) ++kept[i];
                else kept.insert(kept.begin(), '1');
            }
        }
    }
    // kept now holds the magnitude * 10^fracDigits as a decimal integer.
    if (static_cast<int>(kept.size()) < fracDigits + 1)
        kept.insert(0, fracDigits + 1 - kept.size(), '0');
    std::string intPart = kept.substr(0, kept.size() - fracDigits);
    std::string fracPart = kept.substr(kept.size() - fracDigits);

    std::size_t nz = intPart.find_first_not_of('0');
    intPart = (nz == std::string::npos) ? std::string() : intPart.substr(nz);
    if (static_cast<int>(intPart.size()) < p.intZeros)
        intPart.insert(0, p.intZeros - intPart.size(), '0');

    // Optional fraction digits drop their trailing zeros.
    while (static_cast<int>(fracPart.size()) > p.fracZeros && fracPart.back() == '0') fracPart.pop_back();

    bool isZero = (intPart.find_first_not_of('0') == std::string::npos) &&
                  (fracPart.find_first_not_of('0') == std::string::npos) &&
                  (kept.find_first_not_of('0') == std::string::npos);

    std::string result;
    if (value < 0 && !isZero) result.push_back('-');
    result += p.prefix;
    result += intPart;
    if (!fracPart.empty()) {
        result.push_back(DecimalSeparator());
        result += fracPart;
    }
    result += p.suffix;
    return result;
}
