#include "MeasureOptions.h"

#include "options/NumberText.h"
#include "options/OptionLoop.h"

#include <span>
#include <string_view>

const char* const MeasureUsage =
    "использование: voltcheck-measure [--rate HZ] [--method fft|sum] [--mode dc|ac] [--amplitude rms|amp] FILE|-\n"
    "Читает кадр одного канала (числа double, little-endian, в вольтах) и печатает\n"
    "  dc=<V> ac=<V> frequency=<Hz>\n"
    "По умолчанию: --rate 78125 --method fft --mode ac --amplitude rms.\n";

namespace {

constexpr options::TOption KnownOptions[] = {
    {"--rate", options::TArity::Value},
    {"--method", options::TArity::Value},
    {"--mode", options::TArity::Value},
    {"--amplitude", options::TArity::Value},
};

// The line of voltcheck-measure: its options and one input.
class TMeasureLine : public options::TOptionSink {
public:
    explicit TMeasureLine(TMeasureOptions& options) : options_(options) {}

    bool HaveInput = false;

    void Help() override { options_.Help = true; }
    bool Positional(const std::string& argument, std::string& error) override
    {
        if (HaveInput) {
            error = "задано больше одного входа: " + argument;
            return false;
        }
        options_.Input = argument;
        HaveInput = true;
        return true;
    }
    std::span<const options::TOption> Known() const override { return KnownOptions; }
    bool Option(std::string_view name, const std::string& value, std::string& error) override
    {
        if (name == "--rate") {
            double rate = 0.0;
            if (!options::ParseNumber(value, rate) || rate <= 0.0) {
                error = "неверная частота (нужно положительное число герц): " + value;
                return false;
            }
            options_.Rate = rate;
        } else if (name == "--method") {
            if (!computation::ParseMethod(value, options_.Method)) {
                error = "неверный метод (нужно fft или sum): " + value;
                return false;
            }
        } else if (name == "--mode") {
            if (value == "dc") {
                options_.Mode = computation::TChannelMode::Dc;
            } else if (value == "ac") {
                options_.Mode = computation::TChannelMode::Ac;
            } else {
                error = "неверный режим (нужно dc или ac): " + value;
                return false;
            }
        } else if (!computation::ParseAmplitudeType(value, options_.Amplitude)) {
            error = "неверный тип амплитуды (нужно rms или amp): " + value;
            return false;
        }
        return true;
    }

private:
    TMeasureOptions& options_;
};

} // namespace

bool ParseMeasureOptions(int argc, const char* const* argv, TMeasureOptions& options, std::string& error)
{
    TMeasureLine line(options);
    if (!options::ReadOptions(argc, argv, options::THelpRule::Stop, line, error)) {
        return false;
    }
    if (options.Help) {
        return true;
    }
    if (!line.HaveInput) {
        error = "не задан входной файл (- означает стандартный ввод)";
        return false;
    }
    return true;
}
