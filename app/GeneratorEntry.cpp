#include "app/GeneratorEntry.h"

#include "FormatFloat/FormatFloat.h"
#include "FormatFloat/StrToFloat.h"

#include <cmath>

namespace {

constexpr double AcThreshold = 0.001;
constexpr double FrequencyClampThreshold = 4900.001;

double Sign(double value) { return value > 0 ? 1.0 : (value < 0 ? -1.0 : 0.0); }

}  // namespace

TGeneratorEntries ConfirmGeneratorFrequency(const std::string& frequency, const std::string& amplitude,
                                            double maxVolts) {
    double f = frequency.empty() ? 0.0 : StrToFloat(frequency);
    double a = StrToFloat(amplitude);
    double aMax = maxVolts;
    TGeneratorEntries result;
    result.Amplitude = amplitude;
    if (f > AcThreshold) {
        aMax /= std::sqrt(2.0);
        result.AmplitudeLabel = "Напряжение (скз), В";
    } else {
        result.AmplitudeLabel = "Напряжение, В";
    }
    if (f > FrequencyClampThreshold) f = GeneratorMaxFrequency;
    result.Frequency = FormatFloat("0.00", f);
    if (f > AcThreshold) a = std::fabs(a);
    if (std::fabs(a) > aMax) {
        a = Sign(a) * aMax;
        result.Amplitude = FormatFloat("0.0000", a);
    }
    return result;
}

TGeneratorEntries ConfirmGeneratorAmplitude(const std::string& frequency, const std::string& amplitude,
                                            double maxVolts) {
    const double f = StrToFloat(frequency);
    double a = amplitude.empty() ? 0.0 : StrToFloat(amplitude);
    double aMax = maxVolts;
    if (f > AcThreshold) {
        aMax /= std::sqrt(2.0);
        a = std::fabs(a);
    }
    if (std::fabs(a) > aMax) a = Sign(a) * aMax;
    TGeneratorEntries result;
    result.Frequency = frequency;
    result.Amplitude = FormatFloat("0.00000", a);
    return result;
}
