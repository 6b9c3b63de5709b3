#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>

#include "RealFFT/AnalysisWindow.h"
#include "rfft/RealFft.h"

// The spectrum object of the spectral method: one FFT engine of the frame length, the
// analysis window's parameters, and the steps from windowed samples to the peak bin.
class TREALFFT {
public:
    using AbortFlag = std::atomic<bool>;

    // length 0 makes no engine; any other length must be a power of two up to 2^30.
    // The abort flag (may be null) is read by the window builder and the engine.
    // Throws std::bad_alloc when the engine's tables do not fit in memory.
    TREALFFT(std::uint32_t length, const AbortFlag* abortFlag);
    ~TREALFFT();

    TREALFFT(const TREALFFT&) = delete;
    TREALFFT& operator=(const TREALFFT&) = delete;

    // 0 or a length the engine cannot take (not a power of two, above 2^30): false, nothing
    // changes. The current length: true, the engine stays. Otherwise a new engine of that
    // length replaces the old one (it keeps the abort flag) and the result is true.
    bool SetFftLength(std::uint32_t length);

    // Fills w[0 ... Length-1] with the analysis window and records its parameters.
    // Only AnalysisWindowType is known: another type returns false and changes nothing.
    // Returns false also when the abort flag stopped the fill (the array is then partly
    // written).
    bool MakeWindow(double* w, std::uint8_t windowType);

    // x[i] = w[i] * x[i] for i < Length. Both arrays hold Length elements.
    void ApplyWindow(double* x, const double* w) const;
    // out[i] = w[i] * x[i] for i < Length: the window and a copy in one pass. out may be x.
    void ApplyWindow(const double* x, const double* w, double* out) const;

    // f = unnormalised forward transform of x in the engine's layout (Re 0 ... N/2, then
    // -Im 1 ... N/2-1). x and f hold Length elements and must differ. False when an array or
    // the engine is missing. A raised abort flag leaves f incomplete; the caller checks it.
    bool Transform(const double* x, double* f);

    // X[0] = f[0]/N (signed mean), X[j] = |f_j| / (N/2) for j = 1 ... N/2-1. X may be f.
    bool Magnitudes(const double* f, double* X) const;

    // The lowest j in SpectralHalfWidth ... N/2-1 with the largest X[j] above the floor
    // (floor raised to -60 000 000 when below it), or -1.
    std::int32_t FindPeakBin(const double* X, double floor) const;

    // X[j] of Magnitudes for one bin j (0 ... N/2-1) of the transform f.
    double Magnitude(const double* f, std::uint32_t j) const
    {
        return j == 0 ? f[0] / static_cast<double>(Length_) : BinMagnitude(f, j);
    }
    // FindPeakBin(Magnitudes of f, floor), the same bin, from the transform f itself:
    // one read of f that writes nothing and takes square roots only where a block of
    // bins may hold a new largest magnitude.
    std::int32_t FindPeakBinInTransform(const double* f, double floor) const;

    std::uint32_t Length() const { return Length_; }
    std::int32_t DcHalfWidth() const { return DcHalfWidth_; }
    std::int32_t SpectralHalfWidth() const { return SpectralHalfWidth_; }
    const TWindowCoefficients& Window() const { return Window_; }
    const AbortFlag* AbortFlagPtr() const { return AbortFlag_; }
    const rfft::RealFft<double>* Engine() const { return Engine_.get(); }

    static bool IsUsableLength(std::uint32_t length);

private:
    double BinMagnitude(const double* f, std::uint32_t j) const
    {
        const double re = f[j];
        const double im = f[Length_ / 2 + j];
        return std::sqrt(re * re + im * im) / static_cast<double>(Length_ / 2);
    }

    const AbortFlag* AbortFlag_ = nullptr;
    std::uint32_t Length_ = 0;
    std::int32_t DcHalfWidth_ = 0;
    std::int32_t SpectralHalfWidth_ = 0;
    TWindowCoefficients Window_;
    std::unique_ptr<rfft::RealFft<double>> Engine_;
};
