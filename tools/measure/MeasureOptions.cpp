#include "MeasureOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

const char* const MeasureUsage =
    "использование: voltcheck-measure [--rate HZ] [--method fft|sum] [--mode dc|ac] [--amplitude rms|amp] FILE|-\n"
    "Читает кадр одного канала (числа double, little-endian, в вольтах) и печатает\n"
    "  dc=<V> ac=<V> frequency=<Hz>\n"
    "По умолчанию: --rate 78125 --method fft --mode ac --amplitude rms.\n";

namespace {

bool ParseRate(const std::string& text, double& rate)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v) || v <= 0.0) {
        return false;
    }
    rate = v;
    return true;
}

} // namespace

bool ParseMeasureOptions(int argc, const char* const* argv, TMeasureOptions& options, std::string& error)
{
    bool haveInput = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            options.Help = true;
            return true;
        }
        if (arg == "-" || arg.rfind("--", 0) != 0) {
            if (haveInput) {
                error = "задано больше одного входа: " + arg;
                return false;
            }
            options.Input = arg;
            haveInput = true;
            continue;
        }
        // --name value or --name=value
        std::string name = arg;
        std::string value;
        bool haveValue = false;
        const auto eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            haveValue = true;
        }
        if (name != "--rate" && name != "--method" && name != "--mode" && name != "--amplitude") {
            error = "неизвестный параметр: " + name;
            return false;
        }
        if (!haveValue) {
            if (i + 1 >= argc) {
                error = "параметру " + name + " нужно значение";
                return false;
            }
            value = argv[++i];
        }
        if (name == "--rate") {
            if (!ParseRate(value, options.Rate)) {
                error = "неверная частота (нужно положительное число герц): " + value;
                return false;
            }
        } else if (name == "--method") {
            if (!computation::ParseMethod(value, options.Method)) {
                error = "неверный метод (нужно fft или sum): " + value;
                return false;
            }
        } else if (name == "--mode") {
            if (value == "dc") {
                options.Mode = computation::TChannelMode::Dc;
            } else if (value == "ac") {
                options.Mode = computation::TChannelMode::Ac;
            } else {
                error = "неверный режим (нужно dc или ac): " + value;
                return false;
            }
        } else {
            if (!computation::ParseAmplitudeType(value, options.Amplitude)) {
                error = "неверный тип амплитуды (нужно rms или amp): " + value;
                return false;
            }
        }
    }
    if (!haveInput) {
        error = "не задан входной файл (- означает стандартный ввод)";
        return false;
    }
    return true;
}
