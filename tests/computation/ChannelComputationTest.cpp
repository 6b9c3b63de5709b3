#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "RealFFT/AnalysisWindow.h"
#include "RealFFT/TRealFft.h"
#include "computation/AccurateSum.h"
#include "computation/ChannelComputation.h"

namespace {

using computation::TAmplitudeType;
using computation::TChannelMode;
using computation::TChannelResult;
using computation::TChannelStatus;

constexpr double Rate = 78125.0;

// One channel's frame measured the way the acquisition thread does it.
class Frame {
public:
    explicit Frame(std::size_t n)
        : n_(n)
        , window_(n + 16)
        , spectrum_(n + 16)
    {
    }

    TChannelStatus Spectral(std::vector<double> data, TChannelMode mode, TAmplitudeType amplitude,
                            TChannelResult& r, const std::atomic<bool>* stop = nullptr)
    {
        TREALFFT fft(static_cast<std::uint32_t>(n_), stop);
        fft.MakeWindow(window_.data(), AnalysisWindowType);
        data.resize(n_ + 16);
        return computation::ComputeSpectral(fft, data.data(), window_.data(), spectrum_.data(), Rate,
                                            computation::WindowPower(), mode, amplitude, stop, r);
    }

    TChannelStatus Sum(const std::vector<double>& data, TChannelMode mode, TAmplitudeType amplitude,
                       TChannelResult& r)
    {
        BuildAnalysisWindow(window_.data(), n_, nullptr);
        return computation::ComputeWeightedSum(data.data(), window_.data(), n_, computation::WindowSum(n_), mode,
                                               amplitude, r);
    }

private:
    std::size_t n_;
    std::vector<double> window_;
    std::vector<double> spectrum_;
};

std::vector<double> Sine(std::size_t n, double amplitude, double bin, double offset = 0.0, double phase = 0.3)
{
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = offset + amplitude * std::sin(2.0 * std::numbers::pi * bin * static_cast<double>(i) / static_cast<double>(n) + phase);
    }
    return x;
}

// The run's form (samples read in place, the windowed copy written elsewhere) gives
// what the in-place form gives, bit for bit, and leaves the samples as they were.
TEST(ComputeSpectral, SamplesReadInPlaceGiveTheInPlaceResult)
{
    struct Case {
        std::size_t n;
        TChannelMode mode;
        TAmplitudeType amplitude;
        std::vector<double> x;
    };
    const Case cases[] = {
        {1024, TChannelMode::Ac, TAmplitudeType::Rms, Sine(1024, 1.5, 37.2, 0.1)},
        {1024, TChannelMode::Dc, TAmplitudeType::Rms, Sine(1024, 0.01, 50.0, -2.5)},
        {65536, TChannelMode::Ac, TAmplitudeType::Peak, Sine(65536, 3.0, 1234.56, 0.5)},
        {16, TChannelMode::Dc, TAmplitudeType::Rms, Sine(16, 0.2, 3.0, 1.0)},
    };
    for (const Case& c : cases) {
        TREALFFT fft(static_cast<std::uint32_t>(c.n), nullptr);
        std::vector<double> window(c.n), spectrum(c.n), windowed(c.n), inPlace = c.x;
        fft.MakeWindow(window.data(), AnalysisWindowType);
        const double power = computation::WindowPower();
        TChannelResult expected, result;
        const TChannelStatus expectedStatus = computation::ComputeSpectral(
            fft, inPlace.data(), window.data(), spectrum.data(), Rate, power, c.mode, c.amplitude, nullptr, expected);
        const TChannelStatus status = computation::ComputeSpectral(fft, c.x.data(), window.data(), windowed.data(),
                                                                   spectrum.data(), Rate, power, c.mode, c.amplitude,
                                                                   nullptr, result);
        EXPECT_EQ(status, expectedStatus) << c.n;
        EXPECT_EQ(std::memcmp(&result, &expected, sizeof result), 0) << c.n;
        EXPECT_EQ(windowed, inPlace) << c.n;
    }
}

TEST(WindowConstants, Values)
{
    EXPECT_DOUBLE_EQ(computation::WindowPower(), 0.23143355218026979);
    EXPECT_EQ(computation::WindowSum(1024), 1024 * 0.3232153788877343);
}

TEST(WindowConstants, WindowSumIsTheSumOfTheWindow)
{
    const std::size_t n = 1 << 20;
    std::vector<double> w(n);
    BuildAnalysisWindow(w.data(), n, nullptr);
    const double sum = computation::PairwiseSum(0, n, [&](std::size_t i) { return w[i]; });
    EXPECT_NEAR(sum / computation::WindowSum(n), 1.0, 1e-15);
}

TEST(Texts, NoSignalMessageAndSettingTexts)
{
    EXPECT_EQ(computation::NoSignalMessage, "Опаньки!!! Судя по всему на вход модуля не был подан сигнал!!!");
    EXPECT_EQ(computation::AmplitudeTypeFromText("rms"), TAmplitudeType::Rms);
    EXPECT_EQ(computation::AmplitudeTypeFromText("amp"), TAmplitudeType::Peak);
    EXPECT_EQ(computation::AmplitudeTypeFromText("RMS "), TAmplitudeType::Peak); // anything else: peak
    computation::TMethod m{};
    EXPECT_TRUE(computation::ParseMethod("sum", m));
    EXPECT_EQ(m, computation::TMethod::WeightedSum);
    EXPECT_TRUE(computation::ParseMethod("fft", m));
    EXPECT_EQ(m, computation::TMethod::Spectral);
    EXPECT_FALSE(computation::ParseMethod("FFT", m));
}

// --- DC --------------------------------------------------------------------------------

class DcConstant : public testing::TestWithParam<double> {};

TEST_P(DcConstant, BothMethodsGiveTheConstant)
{
    const double c = GetParam();
    for (std::size_t n : {std::size_t{16}, std::size_t{4096}, std::size_t{1} << 20}) {
        Frame frame(n);
        TChannelResult r;
        ASSERT_EQ(frame.Spectral(std::vector<double>(n, c), TChannelMode::Dc, TAmplitudeType::Rms, r),
                  TChannelStatus::Done);
        EXPECT_NEAR(r.DcValue, c, 4e-15 * std::fabs(c)) << "fft N = " << n;
        EXPECT_EQ(r.AcValue, 0.0);
        EXPECT_EQ(r.Frequency, 0.0);
        ASSERT_EQ(frame.Sum(std::vector<double>(n, c), TChannelMode::Dc, TAmplitudeType::Rms, r),
                  TChannelStatus::Done);
        EXPECT_NEAR(r.DcValue, c, 4e-15 * std::fabs(c)) << "sum N = " << n;
        EXPECT_EQ(r.AcValue, 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, DcConstant, testing::Values(1.0, -2.75, 9.0, -0.0123));

// --- AC --------------------------------------------------------------------------------

struct SineCase {
    std::size_t n;
    double bin;
    double amplitude;
};

class OnBinSine : public testing::TestWithParam<SineCase> {};

TEST_P(OnBinSine, SpectralRmsPeakAndFrequency)
{
    const SineCase c = GetParam();
    Frame frame(c.n);
    TChannelResult r;
    ASSERT_EQ(frame.Spectral(Sine(c.n, c.amplitude, c.bin), TChannelMode::Ac, TAmplitudeType::Rms, r),
              TChannelStatus::Done);
    EXPECT_NEAR(r.AcValue, c.amplitude / std::numbers::sqrt2, 1e-13 * c.amplitude);
    EXPECT_NEAR(r.Frequency, c.bin * Rate / static_cast<double>(c.n), 1e-12 * Rate);
    EXPECT_EQ(r.DcValue, 0.0);

    ASSERT_EQ(frame.Spectral(Sine(c.n, c.amplitude, c.bin), TChannelMode::Ac, TAmplitudeType::Peak, r),
              TChannelStatus::Done);
    EXPECT_NEAR(r.AcValue, c.amplitude, 1e-13 * c.amplitude);
}

TEST_P(OnBinSine, WeightedSumRmsAndPeak)
{
    const SineCase c = GetParam();
    Frame frame(c.n);
    TChannelResult r;
    ASSERT_EQ(frame.Sum(Sine(c.n, c.amplitude, c.bin), TChannelMode::Ac, TAmplitudeType::Rms, r),
              TChannelStatus::Done);
    EXPECT_NEAR(r.AcValue, c.amplitude / std::numbers::sqrt2, 1e-13 * c.amplitude);
    EXPECT_EQ(r.Frequency, 0.0);
    EXPECT_EQ(r.DcValue, 0.0);
    ASSERT_EQ(frame.Sum(Sine(c.n, c.amplitude, c.bin), TChannelMode::Ac, TAmplitudeType::Peak, r),
              TChannelStatus::Done);
    EXPECT_NEAR(r.AcValue, c.amplitude, 1e-13 * c.amplitude);
}

// Bins from the lowest that keeps the whole line in the band (10) to N/2 - 5.
INSTANTIATE_TEST_SUITE_P(Lines, OnBinSine,
                         testing::Values(SineCase{64, 10, 1.0}, SineCase{64, 27, 0.5}, SineCase{4096, 100, 2.0},
                                         SineCase{1 << 17, 1677, 3.0}, SineCase{1 << 20, 52000, 0.01}));

TEST(SpectralMethod, LineNearTheDcLineComesOutLow)
{
    // A sine at bin 6: the band drops bins 5 and below, losing part of the line.
    Frame frame(1024);
    TChannelResult r;
    ASSERT_EQ(frame.Spectral(Sine(1024, 1.0, 6), TChannelMode::Ac, TAmplitudeType::Rms, r), TChannelStatus::Done);
    EXPECT_LT(r.AcValue, 1.0 / std::numbers::sqrt2 - 1e-3);
    EXPECT_GT(r.Frequency, 6 * Rate / 1024); // the centre moves up
}

TEST(SpectralMethod, SilentFrameIsNoSignalButSumShowsZero)
{
    for (std::size_t n : {std::size_t{8}, std::size_t{16}, std::size_t{4096}}) {
        Frame frame(n);
        TChannelResult r;
        EXPECT_EQ(frame.Spectral(std::vector<double>(n, 0.0), TChannelMode::Ac, TAmplitudeType::Rms, r),
                  TChannelStatus::NoSignal) << n;
        ASSERT_EQ(frame.Sum(std::vector<double>(n, 0.0), TChannelMode::Ac, TAmplitudeType::Rms, r),
                  TChannelStatus::Done);
        EXPECT_EQ(r.AcValue, 0.0);
    }
    // Too short for a band at all: no signal whatever the input.
    Frame tiny(8);
    TChannelResult r;
    EXPECT_EQ(tiny.Spectral(Sine(8, 1.0, 2), TChannelMode::Ac, TAmplitudeType::Rms, r), TChannelStatus::NoSignal);
}

TEST(SpectralMethod, StopFlagEndsTheChannel)
{
    const std::atomic<bool> stop{true};
    Frame frame(1 << 14);
    TChannelResult r;
    r.DcValue = 5.0;
    EXPECT_EQ(frame.Spectral(Sine(1 << 14, 1.0, 100), TChannelMode::Ac, TAmplitudeType::Rms, r, &stop),
              TChannelStatus::Stopped);
    EXPECT_EQ(r.AcValue, 0.0);
    EXPECT_EQ(r.DcValue, 0.0);
}

// --- precision ------------------------------------------------------------------------

TEST(WeightedSumMethod, SmallAcOnLargeDcKeepsItsPrecision)
{
    // 9 V DC with 10 uV RMS on the 10 V range, DC coupling.
    const std::size_t n = 1 << 20;
    const double rms = 10e-6;
    Frame frame(n);
    TChannelResult r;
    const std::vector<double> x = Sine(n, rms * std::numbers::sqrt2, 2500, 9.0);
    ASSERT_EQ(frame.Sum(x, TChannelMode::Ac, TAmplitudeType::Rms, r), TChannelStatus::Done);
    EXPECT_NEAR(r.AcValue, rms, 1e-6 * rms);
    ASSERT_EQ(frame.Sum(x, TChannelMode::Dc, TAmplitudeType::Rms, r), TChannelStatus::Done);
    EXPECT_NEAR(r.DcValue, 9.0, 1e-15 * 9.0);
}

TEST(WeightedSumMethod, DeviationOfAConstantIsZero)
{
    const std::size_t n = 3 * WindowChunkLength + 7; // the weighted sums take any length
    std::vector<double> w(n);
    BuildAnalysisWindow(w.data(), n, nullptr);
    const std::vector<double> x(n, -7.3);
    EXPECT_LT(computation::WeightedDeviation(x.data(), w.data(), n, computation::WindowSum(n)), 1e-14);
}

TEST(AccurateSum, LongSumsKeepDoublePrecision)
{
    // 0.1 is inexact in binary: a plain running sum of 2^24 copies drifts by ~1e-9.
    const std::size_t n = std::size_t{1} << 24;
    const double sum = computation::PairwiseSum(0, n, [](std::size_t) { return 0.1; });
    EXPECT_NEAR(sum, 0.1 * static_cast<double>(n), 1e-15 * 0.1 * static_cast<double>(n));

    computation::TCompensatedSum c;
    for (double v : {1e16, 1.0, -1e16, 1.0}) {
        c.Add(v);
    }
    EXPECT_EQ(c.Value(), 2.0);
}

} // namespace
