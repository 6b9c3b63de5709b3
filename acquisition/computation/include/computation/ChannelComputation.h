#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

class TREALFFT;

namespace computation {

using StopFlag = std::atomic<bool>;

// Shown when an AC channel of the spectral method finds no power in its band.
inline constexpr std::string_view NoSignalMessage =
    "Опаньки!!! Судя по всему на вход модуля не был подан сигнал!!!";

enum class TMethod { Spectral, WeightedSum };
enum class TChannelMode { Dc, Ac };
enum class TAmplitudeType { Rms, Peak };

// The texts of the settings file and the command lines: "fft" and "sum", "rms" and "amp".
std::string_view MethodText(TMethod method);
std::string_view AmplitudeTypeText(TAmplitudeType amplitude);
// Strict, for a command line: "fft" -> Spectral, "sum" -> WeightedSum; other texts give false.
bool ParseMethod(std::string_view text, TMethod& method);
// Strict, for a command line: "rms" -> Rms, "amp" -> Peak; other texts give false.
bool ParseAmplitudeType(std::string_view text, TAmplitudeType& amplitude);
// A stored text: "fft" -> Spectral; every other text runs the weighted sum.
TMethod MethodFromText(std::string_view text);
// A stored text: "rms" -> Rms; every other text (normally "amp") -> Peak.
TAmplitudeType AmplitudeTypeFromText(std::string_view text);

struct TChannelResult {
    double DcValue = 0.0;   // volts, DC mode only
    double AcValue = 0.0;   // volts (RMS or peak amplitude), AC mode only
    double Frequency = 0.0; // hertz, AC mode with the spectral method only
};

enum class TChannelStatus {
    Done,     // the result is complete
    Stopped,  // the stop flag was seen; discard the result
    NoSignal, // spectral AC band without power: report NoSignalMessage, end the run
};

// Window constants of a frame of n samples.
double WindowSum(std::size_t n);   // S = n * a0
double WindowPower();              // W2 = a0^2 + (a1^2 + ... + a4^2) / 2

// sum(x[i] w[i]) / S.
double WeightedMean(const double* x, const double* w, std::size_t n, double windowSum);

// Window-weighted standard deviation sqrt(sum(w (x - m1)^2) / S) with m1 the weighted
// mean. Equal to sqrt(m2 - m1^2) when sum(w) = S, but it keeps full precision for a small
// AC part on a large DC level.
double WeightedDeviation(const double* x, const double* w, std::size_t n, double windowSum);

// Weighted-sum method for one channel's n samples (x is not modified).
TChannelStatus ComputeWeightedSum(const double* x, const double* w, std::size_t n, double windowSum,
                                  TChannelMode mode, TAmplitudeType amplitude, TChannelResult& result);

// Spectral method for one channel. fft has the frame length N (N >= 1) and its window made;
// samples holds the N samples (not modified), windowed (N elements, may be samples)
// receives the windowed samples, spectrum (N elements) the transform. adcFrequency in
// hertz. The stop flag (may be null) is checked after every step. No allocation.
TChannelStatus ComputeSpectral(TREALFFT& fft, const double* samples, const double* window, double* windowed,
                               double* spectrum, double adcFrequency, double windowPower, TChannelMode mode,
                               TAmplitudeType amplitude, const StopFlag* stop, TChannelResult& result);
// The same with the windowed samples written over data.
TChannelStatus ComputeSpectral(TREALFFT& fft, double* data, const double* window, double* spectrum,
                               double adcFrequency, double windowPower, TChannelMode mode,
                               TAmplitudeType amplitude, const StopFlag* stop, TChannelResult& result);

} // namespace computation
