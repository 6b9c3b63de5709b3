#include "RealFFT/AnalysisWindow.h"

#include <bit>
#include <cmath>

TWindowCoefficients AnalysisWindowCoefficients()
{
    TWindowCoefficients c;
    c.TermCount = 5;
    // Exact bit patterns, so every build uses the same doubles.
    c.Coefs[0] = std::bit_cast<double>(std::uint64_t{0x3FD4AF8F8E78C5B7}); //  0.3232153788877343
    c.Coefs[1] = std::bit_cast<double>(std::uint64_t{0xBFDE2CED62A79C83}); // -0.471492143957626
    c.Coefs[2] = std::bit_cast<double>(std::uint64_t{0x3FC677E701C163E3}); //  0.1755341299601972
    c.Coefs[3] = std::bit_cast<double>(std::uint64_t{0xBF9D2E50A2295165}); // -0.02849699010614994
    c.Coefs[4] = std::bit_cast<double>(std::uint64_t{0x3F54AA83DC56C023}); //  0.001261357088292677
    return c;
}

bool BuildAnalysisWindow(double* w, std::size_t n, const std::atomic<bool>* abort)
{
    const TWindowCoefficients wc = AnalysisWindowCoefficients();
    const double a0 = wc.Coefs[0];
    const double a1 = wc.Coefs[1];
    const double a2 = wc.Coefs[2];
    const double a3 = wc.Coefs[3];
    const double a4 = wc.Coefs[4];
    const double two_pi = 6.283185307179586;
    const double len = static_cast<double>(n);
    for (std::size_t start = 0; start < n; start += WindowChunkLength) {
        if (abort != nullptr && abort->load(std::memory_order_relaxed)) {
            return false;
        }
        const std::size_t end = (n - start > WindowChunkLength) ? start + WindowChunkLength : n;
        for (std::size_t i = start; i < end; ++i) {
            // cos 2t, cos 3t and cos 4t from cos t by the Chebyshev recurrence.
            const double c1 = std::cos(static_cast<double>(i) * two_pi / len);
            const double c2 = 2.0 * c1 * c1 - 1.0;
            const double c3 = 2.0 * c2 * c1 - c1;
            const double c4 = 2.0 * c2 * c2 - 1.0;
            w[i] = a1 * c1 + a0 + a2 * c2 + a3 * c3 + a4 * c4;
        }
    }
    return true;
}
