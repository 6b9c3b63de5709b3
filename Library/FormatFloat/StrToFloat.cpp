#include "FormatFloat/StrToFloat.h"

#include "FormatFloat/DecimalSeparator.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <locale>

double StrToFloat(const std::string& text) {
    const char separator = DecimalSeparator();
    std::size_t begin = text.find_first_not_of(" \t");
    std::size_t end = text.find_last_not_of(" \t");
    const std::string error = "'" + text + "' is not a valid floating point value";
    if (begin == std::string::npos) throw EConvertError(error);
    std::string body = text.substr(begin, end - begin + 1);

    // Check the shape by hand, then convert with the classic locale.
    std::string plain;
    std::size_t i = 0;
    if (body[i] == '+' || body[i] == '-') plain.push_back(body[i++]);
    bool digits = false;
    while (i < body.size() && body[i] >= '0' && body[i] <= '9') { plain.push_back(body[i++]); digits = true; }
    if (i < body.size() && body[i] == separator) {
        plain.push_back('.');
        ++i;
        while (i < body.size() && body[i] >= '0' && body[i] <= '9') { plain.push_back(body[i++]); digits = true; }
    }
    if (!digits) throw EConvertError(error);
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        plain.push_back('e');
        ++i;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) plain.push_back(body[i++]);
        bool expDigits = false;
        while (i < body.size() && body[i] >= '0' && body[i] <= '9') { plain.push_back(body[i++]); expDigits = true; }
        if (!expDigits) throw EConvertError(error);
    }
    if (i != body.size()) throw EConvertError(error);

    std::istringstream in(plain);
    in.imbue(std::locale::classic());
    double value = 0.0;
    in >> value;
    if (in.fail() || !std::isfinite(value)) throw EConvertError(error);
    return value;
}
