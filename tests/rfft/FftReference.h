#pragma once

#include <cstdint>
#include <vector>

// Reference spectra in the engine's layout (Re 0 ... N/2, then -Im 1 ... N/2-1).
std::vector<double> DirectDft(const std::vector<double>& x);      // long double sums
std::vector<double> FftwSpectrum(const std::vector<double>& x);   // FFTW r2c, FFTW_ESTIMATE
std::vector<double> RandomSignal(std::int32_t n, unsigned seed);

// max_j |a_j - b_j| / max_j |b_j|
double MaxRelativeError(const std::vector<double>& a, const std::vector<double>& b);
