#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <vector>

#include "FftReference.h"
#include "rfft/RealFft.h"

namespace {

std::vector<double> Transform(const std::vector<double>& x)
{
    rfft::RealFft<double> fft(static_cast<std::int32_t>(x.size()));
    std::vector<double> f(x.size(), std::numeric_limits<double>::quiet_NaN());
    fft.forward_fft(f.data(), x.data());
    return f;
}

// --- agreement with references ------------------------------------------------------

class AgainstDirectDft : public testing::TestWithParam<int> {};

TEST_P(AgainstDirectDft, RandomInput)
{
    const std::int32_t n = std::int32_t{1} << GetParam();
    const std::vector<double> x = RandomSignal(n, 7u + static_cast<unsigned>(GetParam()));
    const std::vector<double> ref = DirectDft(x);
    const double err = MaxRelativeError(Transform(x), ref);
    std::printf("direct DFT  N = 2^%-2d  max relative error %.3g\n", GetParam(), err);
    EXPECT_LE(err, 1e-14);
}

// 0 ... 3: the special cases; 3 and 4: first passes and first table level; 13 and 14:
// the oscillator levels.
INSTANTIATE_TEST_SUITE_P(SmallLengths, AgainstDirectDft, testing::Range(0, 15));

class AgainstFftw : public testing::TestWithParam<int> {};

TEST_P(AgainstFftw, RandomInput)
{
    const int k = GetParam();
    const std::int32_t n = std::int32_t{1} << k;
    const std::vector<double> x = RandomSignal(n, 99u + static_cast<unsigned>(k));
    const double err = MaxRelativeError(Transform(x), FftwSpectrum(x));
    std::printf("FFTW        N = 2^%-2d  max relative error %.3g\n", k, err);
    // Required: 1e-13 up to 2^16 and 1e-10 up to 2^24; the engine stays below 2e-15.
    EXPECT_LE(err, 1e-14);
}

INSTANTIATE_TEST_SUITE_P(EveryPowerOfTwo, AgainstFftw, testing::Range(0, 25));

// The plain x86-64 passes, which the tests above do not reach on a machine with AVX2.
class PortableKernelsAgainstFftw : public testing::TestWithParam<int> {};

TEST_P(PortableKernelsAgainstFftw, RandomInput)
{
    const int k = GetParam();
    const std::int32_t n = std::int32_t{1} << k;
    const std::vector<double> x = RandomSignal(n, 199u + static_cast<unsigned>(k));
    rfft::RealFft<double> fft(n, nullptr, rfft::Kernels::Portable);
    std::vector<double> f(x.size(), std::numeric_limits<double>::quiet_NaN());
    fft.forward_fft(f.data(), x.data());
    const double err = MaxRelativeError(f, FftwSpectrum(x));
    std::printf("portable    N = 2^%-2d  max relative error %.3g\n", k, err);
    EXPECT_LE(err, 2e-15);
}

INSTANTIATE_TEST_SUITE_P(EveryPowerOfTwo, PortableKernelsAgainstFftw, testing::Range(0, 25));

// An output on a cache line, which the large transforms write with streaming stores (a
// std::vector's block usually is not on one), with both sets of passes.
class CacheLineOutputAgainstFftw : public testing::TestWithParam<int> {};

TEST_P(CacheLineOutputAgainstFftw, RandomInput)
{
    const int k = GetParam();
    const std::int32_t n = std::int32_t{1} << k;
    const std::vector<double> x = RandomSignal(n, 299u + static_cast<unsigned>(k));
    const std::vector<double> ref = FftwSpectrum(x);
    std::vector<double> block(x.size() + 8);
    double* out = block.data();
    while (reinterpret_cast<std::uintptr_t>(out) % 64 != 0) {
        ++out;
    }
    for (const rfft::Kernels kernels : {rfft::Kernels::Best, rfft::Kernels::Portable}) {
        rfft::RealFft<double> fft(n, nullptr, kernels);
        std::fill(out, out + n, std::numeric_limits<double>::quiet_NaN());
        fft.forward_fft(out, x.data());
        const double err = MaxRelativeError(std::vector<double>(out, out + n), ref);
        std::printf("cache line  N = 2^%-2d  %s  max relative error %.3g\n", k,
                    kernels == rfft::Kernels::Best ? "best    " : "portable", err);
        EXPECT_LE(err, 2e-15);
    }
}

INSTANTIATE_TEST_SUITE_P(LargeLengths, CacheLineOutputAgainstFftw, testing::Range(20, 25));

// --- exact lines ----------------------------------------------------------------------

struct LineCase {
    int log2n;
    std::int32_t bin;
    double amplitude;
};

class CosineLine : public testing::TestWithParam<LineCase> {};

TEST_P(CosineLine, FallsOnItsBinOnly)
{
    const LineCase c = GetParam();
    const std::int32_t n = std::int32_t{1} << c.log2n;
    std::vector<double> x(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) {
        x[i] = c.amplitude * std::cos(2.0 * std::numbers::pi * static_cast<double>(std::int64_t{c.bin} * i % n) / n);
    }
    const std::vector<double> f = Transform(x);
    const double tol = 1e-12 * std::fabs(c.amplitude) * n;
    for (std::int32_t j = 0; j < n; ++j) {
        const double expected = (j == c.bin) ? c.amplitude * n / 2 : 0.0;
        ASSERT_NEAR(f[j], expected, tol) << "j = " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Bins, CosineLine,
                         testing::Values(LineCase{3, 1, 1.0}, LineCase{3, 3, -2.5}, LineCase{4, 5, 3.0},
                                         LineCase{10, 100, 0.25}, LineCase{14, 4097, 7.0},
                                         LineCase{16, 30000, 1.5}));

TEST(RealFft, ConstantGoesToBinZero)
{
    for (double c : {3.25, -0.75}) {
        for (int k : {0, 1, 2, 5, 13}) {
            const std::int32_t n = std::int32_t{1} << k;
            const std::vector<double> f = Transform(std::vector<double>(static_cast<std::size_t>(n), c));
            EXPECT_DOUBLE_EQ(f[0], c * n) << "N = " << n;
            for (std::int32_t j = 1; j < n; ++j) {
                ASSERT_NEAR(f[j], 0.0, 1e-13 * std::fabs(c) * n) << "N = " << n << " j = " << j;
            }
        }
    }
}

TEST(RealFft, SmallLengthsFollowTheClosedForms)
{
    EXPECT_EQ(Transform({4.5}), (std::vector<double>{4.5}));
    EXPECT_EQ(Transform({1.0, 3.0}), (std::vector<double>{4.0, -2.0}));
    EXPECT_EQ(Transform({1.0, 2.0, 4.0, 8.0}), (std::vector<double>{15.0, -3.0, -5.0, -6.0}));
}

TEST(RealFft, InputIsNotModified)
{
    const std::vector<double> x = RandomSignal(1 << 13, 5);
    std::vector<double> copy = x;
    rfft::RealFft<double> fft(1 << 13);
    std::vector<double> f(x.size());
    fft.forward_fft(f.data(), copy.data());
    EXPECT_EQ(copy, x);
}

TEST(RealFft, RepeatedTransformsGiveTheSameResult)
{
    const std::vector<double> x = RandomSignal(1 << 15, 8);
    rfft::RealFft<double> fft(1 << 15);
    std::vector<double> f1(x.size()), f2(x.size());
    fft.forward_fft(f1.data(), x.data());
    fft.forward_fft(f2.data(), x.data());
    EXPECT_EQ(f1, f2);
}

// --- abort flag -----------------------------------------------------------------------

TEST(RealFft, RaisedAbortFlagStopsAfterTheFirstPasses)
{
    const std::atomic<bool> stop{true};
    for (int k : {4, 5, 13, 14, 18}) { // N = 8 is complete after its three levels
        const std::int32_t n = std::int32_t{1} << k;
        const std::vector<double> x = RandomSignal(n, 3);
        rfft::RealFft<double> fft(n, &stop);
        std::vector<double> f(x.size(), std::numeric_limits<double>::quiet_NaN());
        fft.forward_fft(f.data(), x.data());
        // At most the first three levels are done: most of f is either untouched or far
        // from the transform.
        const std::vector<double> full = Transform(x);
        std::size_t wrong = 0;
        for (std::size_t j = 0; j < f.size(); ++j) {
            if (!(std::fabs(f[j] - full[j]) <= 1e-9 * std::fabs(full[j]))) {
                ++wrong;
            }
        }
        EXPECT_GT(wrong, f.size() / 2) << "N = " << n;
    }
}

TEST(RealFft, LoweredAbortFlagLetsTheTransformFinish)
{
    const std::atomic<bool> stop{false};
    const std::vector<double> x = RandomSignal(1 << 14, 4);
    rfft::RealFft<double> fft(1 << 14, &stop);
    std::vector<double> f(x.size());
    fft.forward_fft(f.data(), x.data());
    EXPECT_EQ(f, Transform(x));
}

// --- tables and helpers ---------------------------------------------------------------

TEST(SinCosOsc, StepsRotateByTheStepAngle)
{
    rfft::SinCosOsc<double> osc;
    EXPECT_EQ(osc.get_cos(), 1.0);
    EXPECT_EQ(osc.get_sin(), 0.0);
    const double angle = std::numbers::pi / 8192;
    osc.set_step(angle);
    osc.reset();
    for (int i = 1; i <= 4096; ++i) {
        osc.step();
        // The recurrence drifts by a few 1e-17 per step.
        ASSERT_NEAR(osc.get_cos(), std::cos(i * angle), 4096 * 5e-17);
        ASSERT_NEAR(osc.get_sin(), std::sin(i * angle), 4096 * 5e-17);
    }
    osc.reset();
    EXPECT_EQ(osc.get_cos(), 1.0);
    EXPECT_EQ(osc.get_sin(), 0.0);
}

TEST(DynArray, ResizeGivesAFreshBlockAndZeroKeepsTheOld)
{
    rfft::DynArray<double> a;
    EXPECT_EQ(a.size(), 0);
    a.resize(4);
    EXPECT_EQ(a.size(), 4);
    a[3] = 2.0;
    const double* before = a.data();
    a.resize(0);
    EXPECT_EQ(a.size(), 4);
    EXPECT_EQ(a.data(), before);
    rfft::DynArray<rfft::SinCosOsc<double>> oscs(2);
    EXPECT_EQ(oscs[1].get_cos(), 1.0);
}

// --- contracts ------------------------------------------------------------------------

using RealFftDeathTest = testing::Test;

TEST_F(RealFftDeathTest, BrokenPreconditionsStopTheProgram)
{
    EXPECT_DEATH(rfft::RealFft<double>(12), "is_pow2 \\(length\\)");
    EXPECT_DEATH(rfft::RealFft<double>(0), "x > 0");
    EXPECT_DEATH(
        {
            rfft::RealFft<double> fft(16);
            std::vector<double> v(16);
            fft.forward_fft(v.data(), v.data());
        },
        "f != x");
    EXPECT_DEATH(
        {
            rfft::RealFft<double> fft(16);
            std::vector<double> v(16);
            fft.forward_fft(fft.scratch(), v.data());
        },
        "f != scratch \\(\\)");
    EXPECT_DEATH(
        {
            rfft::RealFft<double> fft(16);
            std::vector<double> v(16);
            fft.forward_fft(v.data(), fft.scratch());
        },
        "x != scratch \\(\\)");
    EXPECT_DEATH(
        {
            rfft::DynArray<long> a(3);
            a[3] = 1;
        },
        "pos");
}

} // namespace
