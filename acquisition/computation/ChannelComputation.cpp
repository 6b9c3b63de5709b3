#include "computation/ChannelComputation.h"

#include <cmath>

#include "RealFFT/AnalysisWindow.h"
#include "RealFFT/TRealFft.h"
#include "computation/AccurateSum.h"

namespace computation {

namespace {

constexpr double Sqrt2 = 1.4142135623730951;
constexpr double PeakSearchFloor = -67108864.0;

double ApplyAmplitudeRule(double rms, TAmplitudeType amplitude)
{
    return amplitude == TAmplitudeType::Rms ? rms : rms * Sqrt2;
}

bool Stopped(const StopFlag* stop)
{
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}

} // namespace

bool ParseMethod(std::string_view text, TMethod& method)
{
    if (text != MethodText(TMethod::Spectral) && text != MethodText(TMethod::WeightedSum)) {
        return false;
    }
    method = MethodFromText(text);
    return true;
}

bool ParseAmplitudeType(std::string_view text, TAmplitudeType& amplitude)
{
    if (text != AmplitudeTypeText(TAmplitudeType::Rms) && text != AmplitudeTypeText(TAmplitudeType::Peak)) {
        return false;
    }
    amplitude = AmplitudeTypeFromText(text);
    return true;
}

TMethod MethodFromText(std::string_view text)
{
    return text == MethodText(TMethod::Spectral) ? TMethod::Spectral : TMethod::WeightedSum;
}

TAmplitudeType AmplitudeTypeFromText(std::string_view text)
{
    return text == AmplitudeTypeText(TAmplitudeType::Rms) ? TAmplitudeType::Rms : TAmplitudeType::Peak;
}

std::string_view MethodText(TMethod method)
{
    return method == TMethod::Spectral ? "fft" : "sum";
}

std::string_view AmplitudeTypeText(TAmplitudeType amplitude)
{
    return amplitude == TAmplitudeType::Rms ? "rms" : "amp";
}

double WindowSum(std::size_t n)
{
    return static_cast<double>(n) * AnalysisWindowCoefficients().Coefs[0];
}

double WindowPower()
{
    const TWindowCoefficients wc = AnalysisWindowCoefficients();
    double power = wc.Coefs[0] * wc.Coefs[0];
    for (std::size_t j = 1; j < wc.TermCount; ++j) {
        power += wc.Coefs[j] * wc.Coefs[j] * 0.5;
    }
    return power;
}

double WeightedMean(const double* x, const double* w, std::size_t n, double windowSum)
{
    return PairwiseSum(0, n, [x, w](std::size_t i) { return x[i] * w[i]; }) / windowSum;
}

double WeightedDeviation(const double* x, const double* w, std::size_t n, double windowSum)
{
    // Two passes: deviations from the mean first, so that a large DC level does not
    // cancel the small AC part that m2 - m1^2 would leave.
    const double m1 = WeightedMean(x, w, n, windowSum);
    const double m2c = PairwiseSum(0, n, [x, w, m1](std::size_t i) {
        const double d = x[i] - m1;
        return d * (d * w[i]);
    }) / windowSum;
    return std::sqrt(std::fabs(m2c));
}

TChannelStatus ComputeWeightedSum(const double* x, const double* w, std::size_t n, double windowSum,
                                  TChannelMode mode, TAmplitudeType amplitude, TChannelResult& result)
{
    result = TChannelResult{};
    if (mode == TChannelMode::Dc) {
        result.DcValue = WeightedMean(x, w, n, windowSum);
    } else {
        result.AcValue = ApplyAmplitudeRule(WeightedDeviation(x, w, n, windowSum), amplitude);
    }
    return TChannelStatus::Done;
}

TChannelStatus ComputeSpectral(TREALFFT& fft, double* data, const double* window, double* spectrum,
                               double adcFrequency, double windowPower, TChannelMode mode,
                               TAmplitudeType amplitude, const StopFlag* stop, TChannelResult& result)
{
    return ComputeSpectral(fft, data, window, data, spectrum, adcFrequency, windowPower, mode, amplitude, stop,
                           result);
}

TChannelStatus ComputeSpectral(TREALFFT& fft, const double* samples, const double* window, double* windowed,
                               double* spectrum, double adcFrequency, double windowPower, TChannelMode mode,
                               TAmplitudeType amplitude, const StopFlag* stop, TChannelResult& result)
{
    result = TChannelResult{};
    const std::int64_t n = fft.Length();
    const std::int64_t half = n / 2;

    fft.ApplyWindow(samples, window, windowed);
    if (Stopped(stop)) {
        return TChannelStatus::Stopped;
    }
    fft.Transform(windowed, spectrum);
    if (Stopped(stop)) {
        return TChannelStatus::Stopped;
    }
    // The magnitudes are taken where they are needed, never written out: the peak
    // search reads the transform once, the sums below take a few bins.
    const double* f = spectrum;
    const auto X = [&fft, f](std::int64_t j) { return fft.Magnitude(f, static_cast<std::uint32_t>(j)); };
    const std::int32_t peak = fft.FindPeakBinInTransform(f, PeakSearchFloor);
    if (Stopped(stop)) {
        return TChannelStatus::Stopped;
    }

    if (mode == TChannelMode::Dc) {
        // Bins past N/2 - 1 exist only for frames shorter than 16 samples; they count as 0.
        double side = 0.0;
        for (std::int64_t j = 1; j < fft.DcHalfWidth() && j < half; ++j) {
            side += X(j) * X(j);
        }
        const double x0 = X(0);
        const double p0 = x0 * x0 + side / 2.0;
        result.DcValue = std::sqrt(p0 / windowPower);
        if (x0 < 0.0) {
            result.DcValue = -result.DcValue;
        }
        return TChannelStatus::Done;
    }

    // The band is peak - w ... peak + w - 1 (w = SpectralHalfWidth), limited to
    // w < j < N/2; the DC line's bins never enter.
    const std::int64_t w = fft.SpectralHalfWidth();
    TCompensatedSum power;
    TCompensatedSum moment;
    for (std::int64_t j = std::int64_t{peak} - w; j <= std::int64_t{peak} + w - 1; ++j) {
        if (j > w && j < half) {
            const double x = X(j);
            const double p = x * x / 2.0;
            power.Add(p);
            moment.Add(static_cast<double>(j) * p);
        }
    }
    const double P = power.Value();
    if (P == 0.0) {
        return TChannelStatus::NoSignal;
    }
    result.Frequency = (moment.Value() / P) * (adcFrequency / static_cast<double>(n));
    result.AcValue = ApplyAmplitudeRule(std::sqrt(P / windowPower), amplitude);
    return TChannelStatus::Done;
}

} // namespace computation
