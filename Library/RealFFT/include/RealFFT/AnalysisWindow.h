#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// The analysis window of the measurement: a five-term periodic cosine sum
//   w[i] = a0 + a1 cos t + a2 cos 2t + a3 cos 3t + a4 cos 4t,  t = 2 pi i / N,
// with w[N/2] = 1 and w[0] close to 0. Shared by the spectral method (through TREALFFT)
// and the weighted-sum method.

inline constexpr std::uint8_t AnalysisWindowType = 6; // the only window type in use
inline constexpr std::size_t MaxWindowTerms = 32;
inline constexpr std::size_t WindowChunkLength = 262144; // a stop request is seen between chunks

struct TWindowCoefficients {
    std::uint16_t TermCount = 0;
    std::array<double, MaxWindowTerms> Coefs{}; // a0, a1, ...; entries past TermCount are 0
};

// Coefficients of window type 6 (TermCount = 5).
TWindowCoefficients AnalysisWindowCoefficients();

// Fills w[0 ... n-1] with window type 6 of period n, in chunks of WindowChunkLength.
// Before each chunk a raised abort flag ends the fill at once and leaves the rest of the
// array as it was; returns false then, true when the whole window is written.
// Preconditions: w holds n elements; abort may be null.
bool BuildAnalysisWindow(double* w, std::size_t n, const std::atomic<bool>* abort);
