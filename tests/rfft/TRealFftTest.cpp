#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "RealFFT/AnalysisWindow.h"
#include "RealFFT/TRealFft.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(AnalysisWindow, CoefficientsMatchTheirDecimalValues)
{
    const TWindowCoefficients c = AnalysisWindowCoefficients();
    EXPECT_EQ(c.TermCount, 5);
    EXPECT_EQ(c.Coefs[0], 0.3232153788877343);
    EXPECT_EQ(c.Coefs[1], -0.471492143957626);
    EXPECT_EQ(c.Coefs[2], 0.1755341299601972);
    EXPECT_EQ(c.Coefs[3], -0.02849699010614994);
    EXPECT_EQ(c.Coefs[4], 0.001261357088292677);
    for (std::size_t j = 5; j < MaxWindowTerms; ++j) {
        EXPECT_EQ(c.Coefs[j], 0.0);
    }
}

TEST(AnalysisWindow, IsPeriodicWithItsTopInTheMiddle)
{
    for (std::size_t n : {16u, 1000u, 65536u}) {
        std::vector<double> w(n, NaN);
        ASSERT_TRUE(BuildAnalysisWindow(w.data(), n, nullptr));
        EXPECT_NEAR(w[n / 2], 1.0, 1e-15) << n;
        // w[0] = a0 + a1 + a2 + a3 + a4, small but not zero
        EXPECT_NEAR(w[0], 2.1731872448e-05, 1e-15) << n;
        for (std::size_t i = 1; i < n; ++i) {
            ASSERT_NEAR(w[i], w[n - i], 1e-15) << n << " " << i; // periodic: symmetric about N/2
        }
    }
}

TEST(AnalysisWindow, FillsAcrossChunkBoundariesAndStopsBeforeAChunk)
{
    const std::size_t n = 2 * WindowChunkLength + 5;
    std::vector<double> w(n, NaN);
    const std::atomic<bool> lowered{false};
    ASSERT_TRUE(BuildAnalysisWindow(w.data(), n, &lowered));
    for (std::size_t i : {std::size_t{0}, WindowChunkLength - 1, WindowChunkLength, n - 1}) {
        const double t = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const double expect = 0.3232153788877343 - 0.471492143957626 * std::cos(t)
            + 0.1755341299601972 * std::cos(2 * t) - 0.02849699010614994 * std::cos(3 * t)
            + 0.001261357088292677 * std::cos(4 * t);
        EXPECT_NEAR(w[i], expect, 1e-15) << i;
    }

    std::vector<double> untouched(n, NaN);
    const std::atomic<bool> raised{true};
    EXPECT_FALSE(BuildAnalysisWindow(untouched.data(), n, &raised));
    for (double v : untouched) {
        ASSERT_TRUE(std::isnan(v));
    }
}

TEST(TREALFFT, ConstructionRecordsLengthAndFlag)
{
    const std::atomic<bool> stop{false};
    TREALFFT fft(1024, &stop);
    EXPECT_EQ(fft.Length(), 1024u);
    EXPECT_EQ(fft.AbortFlagPtr(), &stop);
    EXPECT_EQ(fft.DcHalfWidth(), 0);
    EXPECT_EQ(fft.SpectralHalfWidth(), 0);
    EXPECT_EQ(fft.Window().TermCount, 0);
    ASSERT_NE(fft.Engine(), nullptr);
    EXPECT_EQ(fft.Engine()->length(), 1024);

    TREALFFT empty(0, &stop);
    EXPECT_EQ(empty.Engine(), nullptr);
    std::vector<double> a(4), b(4);
    EXPECT_FALSE(empty.Transform(a.data(), b.data()));
    EXPECT_FALSE(empty.Magnitudes(a.data(), b.data()));
}

TEST(TREALFFT, SetFftLength)
{
    std::atomic<bool> stop{false};
    TREALFFT fft(256, &stop);
    const auto* engine = fft.Engine();
    EXPECT_FALSE(fft.SetFftLength(0));
    EXPECT_FALSE(fft.SetFftLength(300)); // not a power of two: refused, nothing changes
    EXPECT_TRUE(fft.SetFftLength(256));
    EXPECT_EQ(fft.Engine(), engine);
    EXPECT_EQ(fft.Length(), 256u);

    EXPECT_TRUE(fft.SetFftLength(64));
    EXPECT_EQ(fft.Length(), 64u);
    EXPECT_EQ(fft.Engine()->length(), 64);

    // The new engine still hears the stop request.
    std::vector<double> x(64, 1.0), f(64, NaN);
    stop = true;
    ASSERT_TRUE(fft.Transform(x.data(), f.data()));
    EXPECT_NE(f[0], 64.0);

    TREALFFT empty(0, nullptr);
    EXPECT_TRUE(empty.SetFftLength(8));
    EXPECT_EQ(empty.Engine()->length(), 8);
}

TEST(TREALFFT, MakeWindowRecordsTheParameters)
{
    TREALFFT fft(64, nullptr);
    std::vector<double> w(64, NaN);
    EXPECT_FALSE(fft.MakeWindow(w.data(), 5));
    EXPECT_TRUE(std::isnan(w[0]));
    EXPECT_EQ(fft.Window().TermCount, 0);

    ASSERT_TRUE(fft.MakeWindow(w.data(), AnalysisWindowType));
    EXPECT_EQ(fft.DcHalfWidth(), 5);
    EXPECT_EQ(fft.SpectralHalfWidth(), 5);
    EXPECT_EQ(fft.Window().TermCount, 5);
    EXPECT_EQ(fft.Window().Coefs[0], 0.3232153788877343);
    EXPECT_NEAR(w[32], 1.0, 1e-15);
}

TEST(TREALFFT, MagnitudesInPlace)
{
    const std::uint32_t n = 256;
    TREALFFT fft(n, nullptr);
    std::vector<double> x(n), f(n);
    const double amplitude = 0.8;
    const double offset = -0.3;
    for (std::uint32_t i = 0; i < n; ++i) {
        x[i] = offset + amplitude * std::sin(2 * std::numbers::pi * 17 * i / n + 0.4);
    }
    ASSERT_TRUE(fft.Transform(x.data(), f.data()));
    const double nyquist = f[n / 2];
    ASSERT_TRUE(fft.Magnitudes(f.data(), f.data()));
    EXPECT_NEAR(f[0], offset, 1e-15);
    EXPECT_NEAR(f[17], amplitude, 1e-14);
    for (std::uint32_t j = 1; j < n / 2; ++j) {
        if (j != 17) {
            ASSERT_NEAR(f[j], 0.0, 1e-14) << j;
        }
    }
    EXPECT_EQ(f[n / 2], nyquist); // nothing from N/2 on is written
}

TEST(TREALFFT, LengthOne)
{
    TREALFFT fft(1, nullptr);
    std::vector<double> w(1), x{-2.5}, f(1, NaN);
    fft.MakeWindow(w.data(), AnalysisWindowType);
    ASSERT_TRUE(fft.Transform(x.data(), f.data()));
    EXPECT_EQ(f[0], -2.5);
    ASSERT_TRUE(fft.Magnitudes(f.data(), f.data()));
    EXPECT_EQ(f[0], -2.5);
    EXPECT_EQ(fft.FindPeakBin(f.data(), -67108864.0), -1);
}

// The peak search on the transform itself finds the bin that FindPeakBin finds on the
// magnitudes, on spectra made to meet its blocks (ties across and inside blocks, a
// rising spectrum, NaN, the floor).
TEST(TREALFFT, PeakBinInTransformIsThatOfTheMagnitudes)
{
    struct Case {
        const char* name;
        std::uint32_t n;
        std::function<void(std::vector<double>& f, std::mt19937& random)> shape;
        double floor;
    };
    const auto equalBins = [](std::vector<std::uint32_t> bins, double re, double im) {
        return [bins, re, im](std::vector<double>& f, std::mt19937&) {
            for (std::uint32_t j : bins) {
                f[j] = re;
                f[f.size() / 2 + j] = im;
            }
        };
    };
    const auto noise = [](std::vector<double>& f, std::mt19937& random) {
        std::normal_distribution<double> d(0.0, 1.0);
        for (double& v : f) {
            v = d(random);
        }
    };
    const Case cases[] = {
        {"noise", 1u << 14, noise, -67108864.0},
        {"noise short", 16, noise, -67108864.0},
        {"all zero", 4096, [](std::vector<double>&, std::mt19937&) {}, -67108864.0},
        {"equal peaks in two blocks", 4096, equalBins({700, 1900}, 3.0, -4.0), -67108864.0},
        {"equal peaks, signs swapped", 4096, equalBins({1900, 700}, -3.0, 4.0), -67108864.0},
        {"equal peaks in one block", 4096, equalBins({300, 301, 299}, 1e-3, 2e-3), -67108864.0},
        {"peak in the last bin", 4096, equalBins({2047}, 5.0, 0.0), -67108864.0},
        {"peak at the search start", 4096, equalBins({5}, 0.0, 5.0), -67108864.0},
        {"rising", 4096,
         [](std::vector<double>& f, std::mt19937&) {
             for (std::size_t j = 0; j < f.size() / 2; ++j) {
                 f[j] = static_cast<double>(j);
             }
         },
         -67108864.0},
        {"NaN bins", 4096,
         [&](std::vector<double>& f, std::mt19937& random) {
             noise(f, random);
             f[600] = NaN;
             f[2048 + 1500] = std::numeric_limits<double>::quiet_NaN();
         },
         -67108864.0},
        {"nothing above the floor", 4096, noise, 1e9},
        {"floor between peaks", 4096,
         [&](std::vector<double>& f, std::mt19937& random) {
             noise(f, random);
             f[1000] = 50.0;
         },
         0.02},
    };
    for (const Case& c : cases) {
        std::mt19937 random(3);
        std::vector<double> f(c.n, 0.0);
        c.shape(f, random);
        TREALFFT fft(c.n, nullptr);
        std::vector<double> w(c.n);
        fft.MakeWindow(w.data(), AnalysisWindowType);
        std::vector<double> X(c.n);
        ASSERT_TRUE(fft.Magnitudes(f.data(), X.data()));
        EXPECT_EQ(fft.FindPeakBinInTransform(f.data(), c.floor), fft.FindPeakBin(X.data(), c.floor)) << c.name;
        for (std::uint32_t j : {0u, 1u, c.n / 4, c.n / 2 - 1}) {
            const double one = fft.Magnitude(f.data(), j);
            EXPECT_EQ(std::memcmp(&one, &X[j], sizeof(double)), 0) << c.name << " bin " << j;
        }
    }
}

struct PeakCase {
    const char* name;
    std::vector<double> X;
    double floor;
    std::int32_t expected;
};

class FindPeakBin : public testing::TestWithParam<PeakCase> {};

TEST_P(FindPeakBin, Case)
{
    const PeakCase& c = GetParam();
    TREALFFT fft(static_cast<std::uint32_t>(2 * c.X.size()), nullptr);
    std::vector<double> w(2 * c.X.size());
    fft.MakeWindow(w.data(), AnalysisWindowType);
    EXPECT_EQ(fft.FindPeakBin(c.X.data(), c.floor), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PeakSearch, FindPeakBin,
    testing::Values(
        PeakCase{"LowestOfEqualMaxima", {9, 9, 9, 9, 9, 1, 3, 7, 2, 7, 7, 1, 0, 0, 0, 0}, -67108864.0, 7},
        PeakCase{"BinsBelowTheSearchStartIgnored", {0, 99, 99, 99, 99, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0}, -67108864.0, 7},
        PeakCase{"AllZeroGivesTheSearchStart", std::vector<double>(16, 0.0), -67108864.0, 5},
        PeakCase{"NoBinsToSearch", {0, 1, 2, 3}, -67108864.0, -1},
        PeakCase{"FloorRaisedToMinus60Million", {0, 0, 0, 0, 0, -7e7, -6.5e7, -6e7, 0, 0, 0, 0, 0, 0, 0, 0}, -7e7, 8},
        PeakCase{"NothingAboveTheFloor", {0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0}, 3.0, -1}),
    [](const testing::TestParamInfo<PeakCase>& info) { return info.param.name; });

} // namespace
