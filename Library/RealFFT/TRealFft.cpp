#include "RealFFT/TRealFft.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    ApplyWindow(x, w, x);
}

void TREALFFT::ApplyWindow(const double* x, const double* w, double* out) const
{
    std::uint32_t i = 0;
#if defined(__SSE2__)
    // Two pairs a step (the compiler keeps the loop scalar, as out may be x).
    for (; i + 4 <= Length_; i += 4) {
        const __m128d a = _mm_mul_pd(_mm_loadu_pd(w + i), _mm_loadu_pd(x + i));
        const __m128d b = _mm_mul_pd(_mm_loadu_pd(w + i + 2), _mm_loadu_pd(x + i + 2));
        _mm_storeu_pd(out + i, a);
        _mm_storeu_pd(out + i + 2, b);
    }
#endif
    for (; i < Length_; ++i) {
        out[i] = w[i] * x[i];
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
    X[0] = Magnitude(f, 0);
    // X[j] is written after f[j] and f[half + j] are read, so X may alias f.
    for (std::uint32_t j = 1; j < half; ++j) {
        X[j] = BinMagnitude(f, j);
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

namespace {

// The largest re^2 + im^2 of the bins first ... last-1 (f's layout), or -1 for none.
// Four running maxima so that it vectorises; a NaN never wins, as in FindPeakBin.
double LargestSquare(const double* f, std::int64_t half, std::int64_t first, std::int64_t last)
{
    const double* re = f + first;
    const double* im = f + half + first;
    const std::int64_t count = last - first;
    std::int64_t i = 0;
    double top = -1.0;
#if defined(__SSE2__)
    __m128d top0 = _mm_set1_pd(-1.0);
    __m128d top1 = top0;
    for (; i + 4 <= count; i += 4) {
        const __m128d r0 = _mm_loadu_pd(re + i);
        const __m128d i0 = _mm_loadu_pd(im + i);
        const __m128d r1 = _mm_loadu_pd(re + i + 2);
        const __m128d i1 = _mm_loadu_pd(im + i + 2);
        // maxpd keeps its second operand when the first is NaN.
        top0 = _mm_max_pd(_mm_add_pd(_mm_mul_pd(r0, r0), _mm_mul_pd(i0, i0)), top0);
        top1 = _mm_max_pd(_mm_add_pd(_mm_mul_pd(r1, r1), _mm_mul_pd(i1, i1)), top1);
    }
    alignas(16) double lanes[2];
    _mm_store_pd(lanes, _mm_max_pd(top0, top1));
    top = std::max(lanes[0], lanes[1]);
#endif
    for (; i < count; ++i) {
        const double p = re[i] * re[i] + im[i] * im[i];
        top = p > top ? p : top;
    }
    return top;
}

} // namespace

std::int32_t TREALFFT::FindPeakBinInTransform(const double* f, double floor) const
{
    // Block by block: X = sqrt(p) / (N/2) never decreases with p, so no bin of a block
    // beats the best so far unless the block's largest p does; only such a block is
    // searched bin by bin, in the order and with the comparisons of FindPeakBin.
    constexpr std::int64_t Block = 256;
    double best = floor < LowestPeakStart ? LowestPeakStart : floor;
    std::int32_t result = -1;
    const std::int64_t half = Length_ / 2;
    for (std::int64_t first = SpectralHalfWidth_; first < half; first += Block) {
        const std::int64_t last = std::min(half, first + Block);
        const double top = LargestSquare(f, half, first, last);
        if (!(std::sqrt(top) / static_cast<double>(half) > best)) {
            continue;
        }
        for (std::int64_t j = first; j < last; ++j) {
            const double x = BinMagnitude(f, static_cast<std::uint32_t>(j));
            if (x > best) {
                best = x;
                result = static_cast<std::int32_t>(j);
            }
        }
    }
    return result;
}
