#include "RealFFT/TRealFft.h"

#include <cmath>

namespace {

constexpr std::int32_t WindowDcHalfWidth = 5;
constexpr std::int32_t WindowSpectralHalfWidth = 5;
constexpr double LowestPeakStart = -60000000.0;

} // namespace

bool TREALFFT::IsUsableLength(std::uint32_t length)
{
    return length != 0 && (length & (length - 1)) == 0
        && length <= (std::uint32_t{1} << rfft::RealFft<double>::MaxBitDepth);
}

TREALFFT::TREALFFT(std::uint32_t length, const AbortFlag* abortFlag)
    : AbortFlag_(abortFlag)
    , Length_(length)
{
    if (length != 0) {
        Engine_ = std::make_unique<rfft::RealFft<double>>(static_cast<std::int32_t>(length), abortFlag);
    }
}

TREALFFT::~TREALFFT() = default;

bool TREALFFT::SetFftLength(std::uint32_t length)
{
    if (!IsUsableLength(length)) {
        return false;
    }
    if (length == Length_) {
        return true;
    }
    // Build the new engine first: if that throws, the object stays as it was.
    auto engine = std::make_unique<rfft::RealFft<double>>(static_cast<std::int32_t>(length), AbortFlag_);
    Engine_ = std::move(engine);
    Length_ = length;
    return true;
}

bool TREALFFT::MakeWindow(double* w, std::uint8_t windowType)
{
    if (windowType != AnalysisWindowType || w == nullptr) {
        return false;
    }
    Window_ = AnalysisWindowCoefficients();
    DcHalfWidth_ = WindowDcHalfWidth;
    SpectralHalfWidth_ = WindowSpectralHalfWidth;
    return BuildAnalysisWindow(w, Length_, AbortFlag_);
}

void TREALFFT::ApplyWindow(double* x, const double* w) const
{
    for (std::uint32_t i = 0; i < Length_; ++i) {
        x[i] = w[i] * x[i];
    }
}

bool TREALFFT::Transform(const double* x, double* f)
{
    if (x == nullptr || f == nullptr || Length_ == 0 || !Engine_) {
        return false;
    }
    Engine_->forward_fft(f, x);
    return true;
}

bool TREALFFT::Magnitudes(const double* f, double* X) const
{
    if (f == nullptr || X == nullptr || Length_ == 0 || !Engine_) {
        return false;
    }
    const std::uint32_t half = Length_ / 2;
    const double n = static_cast<double>(Length_);
    const double h = static_cast<double>(half);
    X[0] = f[0] / n;
    // X[j] is written after f[j] and f[half + j] are read, so X may alias f.
    for (std::uint32_t j = 1; j < half; ++j) {
        const double re = f[j];
        const double im = f[half + j];
        X[j] = std::sqrt(re * re + im * im) / h;
    }
    return true;
}

std::int32_t TREALFFT::FindPeakBin(const double* X, double floor) const
{
    double best = floor < LowestPeakStart ? LowestPeakStart : floor;
    std::int32_t result = -1;
    const std::int64_t half = Length_ / 2;
    for (std::int64_t j = SpectralHalfWidth_; j < half; ++j) {
        if (X[j] > best) {
            best = X[j];
            result = static_cast<std::int32_t>(j);
        }
    }
    return result;
}
