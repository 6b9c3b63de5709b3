#pragma once

#include "RealFFT/TRealFft.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace signalview {

// Harmonics counted in the distortion: the 2nd ... (1 + MaxHarmonics)-th, those whose
// band lies wholly below half the rate.
inline constexpr int MaxHarmonics = 9;
// The lowest level the spectrum shows, dBV (an empty bin).
inline constexpr double FloorDbv = -240.0;

// What the view says about one frame.
struct TSignalAnalysis {
    bool HasPeak = false;         // false: no line above the floor (a zero or DC-only frame)
    std::int32_t PeakBin = -1;    // bin of the largest line outside the DC bins
    double PeakFrequency = 0.0;   // hertz: the power-weighted mean bin of the peak's band
    double PeakRms = 0.0;         // volts RMS of the peak's band, as the measurement's AC value
    double PeakLevelDbv = FloorDbv;  // 20 lg(PeakRms / 1 V)
    int Harmonics = 0;            // harmonics inside the distortion (0 ... MaxHarmonics)
    double ThdPercent = 0.0;      // 100 x sqrt(sum of harmonic powers / fundamental power)
    double ThdDb = FloorDbv;      // 20 lg of the same ratio
};

// The view's spectrum of a frame: the measurement's transform (TREALFFT with the
// analysis window, window type 6) of the frame's first L samples, L the largest power
// of two not above the frame (the whole frame with the spectral method, whose frames
// are powers of two), and the levels of its bins in dBV: a sine centred on a bin shows
// its RMS value there, the DC bin its mean.
// Prepare allocates; Analyse does not, so the view's thread can run it every frame.
class TSignalAnalyser {
public:
    TSignalAnalyser();
    ~TSignalAnalyser();
    TSignalAnalyser(const TSignalAnalyser&) = delete;
    TSignalAnalyser& operator=(const TSignalAnalyser&) = delete;

    // The transform length for frames of `samples` samples (0 below 32 samples).
    static std::uint32_t TransformLength(std::size_t samples);

    // Makes the transform, the window and the work array for frames of `samples`
    // samples; false when the frame is too short or memory runs out (then Length() is 0).
    bool Prepare(std::size_t samples);
    std::uint32_t Length() const { return length_; }
    // Bins of the spectrum: Length() / 2 (0 ... half the rate, the last one excluded).
    std::size_t Bins() const { return length_ / 2; }

    // Spectrum of x (at least Length() samples) at rate hertz into dbv (Bins() values)
    // and its peak and distortion into result. False when not prepared.
    bool Analyse(const double* x, double rate, double* dbv, TSignalAnalysis& result);

private:
    std::uint32_t length_ = 0;
    std::unique_ptr<TREALFFT> fft_;
    std::unique_ptr<double[]> window_;
    std::unique_ptr<double[]> data_;
    std::unique_ptr<double[]> spectrum_;
    double windowPower_ = 0.0;
    double coherentGain_ = 0.0;
};

// Peak and distortion from the magnitudes X[0 ... half-1] of a transform of length
// 2 x half with the analysis window (X as TREALFFT::Magnitudes gives them).
// The fundamental is the largest line from bin halfWidth on; its band and each
// harmonic's band are the bins within halfWidth of the line's centre (for harmonic k
// the bin nearest k times the fundamental's frequency), and a band's power is the sum
// of X^2 / 2 over it. Harmonics whose band reaches half the rate are left out.
TSignalAnalysis AnalysePeak(const double* X, std::size_t half, double binHertz, std::int32_t halfWidth,
                            double windowPower);

}  // namespace signalview
