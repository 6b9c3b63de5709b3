#include "signalview/SignalAnalysis.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace signalview {

namespace {

constexpr double Sqrt2 = 1.4142135623730951;

double Dbv(double volts) { return volts > 0.0 ? std::max(FloorDbv, 20.0 * std::log10(volts)) : FloorDbv; }

// Sum of X^2 / 2 over the bins centre - w ... centre + w inside (w, half); the
// power-weighted bin index into moment.
double BandPower(const double* X, std::size_t half, std::int64_t centre, std::int64_t w, double* moment) {
    double power = 0.0;
    double weighted = 0.0;
    for (std::int64_t j = centre - w; j <= centre + w; ++j) {
        if (j <= w || j >= static_cast<std::int64_t>(half)) continue;
        const double p = X[j] * X[j] / 2.0;
        power += p;
        weighted += static_cast<double>(j) * p;
    }
    if (moment != nullptr) *moment = weighted;
    return power;
}

}  // namespace

TSignalAnalysis AnalysePeak(const double* X, std::size_t half, double binHertz, std::int32_t halfWidth,
                            double windowPower) {
    TSignalAnalysis result;
    const std::int64_t w = halfWidth;
    double best = 0.0;
    for (std::int64_t j = w; j < static_cast<std::int64_t>(half); ++j) {
        if (X[j] > best) {
            best = X[j];
            result.PeakBin = static_cast<std::int32_t>(j);
        }
    }
    if (result.PeakBin < 0 || windowPower <= 0.0) return result;
    double moment = 0.0;
    const double fundamental = BandPower(X, half, result.PeakBin, w, &moment);
    if (fundamental <= 0.0) return result;
    result.HasPeak = true;
    const double centre = moment / fundamental;  // bins
    result.PeakFrequency = centre * binHertz;
    result.PeakRms = std::sqrt(fundamental / windowPower);
    result.PeakLevelDbv = Dbv(result.PeakRms);
    double harmonics = 0.0;
    for (int k = 2; k <= MaxHarmonics + 1; ++k) {
        const auto bin = static_cast<std::int64_t>(std::llround(centre * k));
        if (bin + w >= static_cast<std::int64_t>(half)) break;
        harmonics += BandPower(X, half, bin, w, nullptr);
        ++result.Harmonics;
    }
    if (result.Harmonics > 0) {
        const double ratio = std::sqrt(harmonics / fundamental);
        result.ThdPercent = 100.0 * ratio;
        result.ThdDb = Dbv(ratio);
    }
    return result;
}

TSignalAnalyser::TSignalAnalyser() = default;
TSignalAnalyser::~TSignalAnalyser() = default;

std::uint32_t TSignalAnalyser::TransformLength(std::size_t samples) {
    if (samples < 32) return 0;
    std::uint64_t length = 1;
    while (length * 2 <= samples && length * 2 <= (std::uint64_t{1} << 30)) length *= 2;
    return static_cast<std::uint32_t>(length);
}

bool TSignalAnalyser::Prepare(std::size_t samples) {
    const std::uint32_t length = TransformLength(samples);
    if (length != 0 && length == length_) return true;
    length_ = 0;
    fft_.reset();
    window_.reset();
    data_.reset();
    spectrum_.reset();
    if (length == 0) return false;
    try {
        fft_ = std::make_unique<TREALFFT>(length, nullptr);
        window_.reset(new double[length]);
        data_.reset(new double[length]);
        spectrum_.reset(new double[length]);
    } catch (const std::bad_alloc&) {
        fft_.reset();
        window_.reset();
        data_.reset();
        spectrum_.reset();
        return false;
    }
    fft_->MakeWindow(window_.get(), AnalysisWindowType);
    const TWindowCoefficients& c = fft_->Window();
    windowPower_ = c.Coefs[0] * c.Coefs[0];
    for (std::size_t j = 1; j < c.TermCount; ++j) windowPower_ += c.Coefs[j] * c.Coefs[j] * 0.5;
    coherentGain_ = c.Coefs[0];
    length_ = length;
    return true;
}

bool TSignalAnalyser::Analyse(const double* x, double rate, double* dbv, TSignalAnalysis& result) {
    result = TSignalAnalysis{};
    if (length_ == 0) return false;
    std::copy_n(x, length_, data_.get());
    fft_->ApplyWindow(data_.get(), window_.get());
    fft_->Transform(data_.get(), spectrum_.get());
    fft_->Magnitudes(spectrum_.get(), spectrum_.get());
    const double* X = spectrum_.get();
    const std::size_t half = Bins();
    // A sine of amplitude A centred on bin j gives X[j] = a0 A: its RMS is X[j] / (a0 sqrt 2).
    dbv[0] = Dbv(std::fabs(X[0]) / coherentGain_);
    const double scale = 1.0 / (coherentGain_ * Sqrt2);
    for (std::size_t j = 1; j < half; ++j) dbv[j] = Dbv(X[j] * scale);
    result = AnalysePeak(X, half, rate / static_cast<double>(length_), fft_->SpectralHalfWidth(), windowPower_);
    return true;
}

}  // namespace signalview
