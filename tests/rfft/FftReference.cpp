#include "FftReference.h"

#include <fftw3.h>

#include <cmath>
#include <numbers>
#include <random>

std::vector<double> DirectDft(const std::vector<double>& x)
{
    const std::size_t n = x.size();
    std::vector<long double> cosTab(n), sinTab(n);
    for (std::size_t i = 0; i < n; ++i) {
        const long double a = 2.0L * std::numbers::pi_v<long double> * static_cast<long double>(i) / static_cast<long double>(n);
        cosTab[i] = std::cos(a);
        sinTab[i] = std::sin(a);
    }
    std::vector<double> f(n);
    for (std::size_t j = 0; j <= n / 2; ++j) {
        long double re = 0.0L;
        long double im = 0.0L; // sum x sin = -Im X_j
        std::size_t idx = 0;
        for (std::size_t m = 0; m < n; ++m) {
            re += x[m] * cosTab[idx];
            im += x[m] * sinTab[idx];
            idx += j;
            if (idx >= n) {
                idx -= n;
            }
        }
        f[j] = static_cast<double>(re);
        if (j > 0 && j < n / 2) {
            f[n / 2 + j] = static_cast<double>(im);
        }
    }
    return f;
}

std::vector<double> FftwSpectrum(const std::vector<double>& x)
{
    const int n = static_cast<int>(x.size());
    double* in = fftw_alloc_real(x.size());
    fftw_complex* out = fftw_alloc_complex(x.size() / 2 + 1);
    const fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    std::copy(x.begin(), x.end(), in);
    fftw_execute(plan);
    std::vector<double> f(x.size());
    for (int j = 0; j <= n / 2; ++j) {
        f[static_cast<std::size_t>(j)] = out[j][0];
        if (j > 0 && j < n / 2) {
            f[static_cast<std::size_t>(n / 2 + j)] = -out[j][1];
        }
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
    return f;
}

std::vector<double> RandomSignal(std::int32_t n, unsigned seed)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> x(static_cast<std::size_t>(n));
    for (double& v : x) {
        v = dist(gen);
    }
    return x;
}

double MaxRelativeError(const std::vector<double>& a, const std::vector<double>& b)
{
    double err = 0.0;
    double scale = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        err = std::max(err, std::fabs(a[i] - b[i]));
        scale = std::max(scale, std::fabs(b[i]));
    }
    return scale > 0.0 ? err / scale : err;
}
