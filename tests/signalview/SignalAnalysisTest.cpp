// The view's spectrum: the peak's frequency and level and the harmonic distortion of
// synthetic frames with known content.
#include "signalview/SignalAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

using signalview::TSignalAnalysis;

struct TTone {
    int harmonic;  // 1 = the fundamental
    double rms;    // volts
    double phaseDeg;
};

std::vector<double> Frame(std::size_t n, double rate, double f0, const std::vector<TTone>& tones, double dc = 0.0) {
    std::vector<double> x(n, dc);
    for (std::size_t i = 0; i < n; ++i)
        for (const TTone& t : tones)
            x[i] += t.rms * std::numbers::sqrt2 *
                    std::sin(2 * std::numbers::pi * f0 * t.harmonic * static_cast<double>(i) / rate + t.phaseDeg * std::numbers::pi / 180);
    return x;
}

TSignalAnalysis Analyse(const std::vector<double>& x, double rate, std::vector<double>* dbv = nullptr) {
    signalview::TSignalAnalyser analyser;
    EXPECT_TRUE(analyser.Prepare(x.size()));
    std::vector<double> spectrum(analyser.Bins());
    TSignalAnalysis result;
    EXPECT_TRUE(analyser.Analyse(x.data(), rate, spectrum.data(), result));
    if (dbv != nullptr) *dbv = spectrum;
    return result;
}

struct TThdCase {
    const char* name;
    double f0;
    std::vector<TTone> tones;
    double thdPercent;
    int harmonics;
};

class ThdTest : public testing::TestWithParam<TThdCase> {};

TEST_P(ThdTest, DistortionOfKnownHarmonics) {
    const TThdCase& c = GetParam();
    const double rate = 78125.0;
    const TSignalAnalysis a = Analyse(Frame(1 << 16, rate, c.f0, c.tones), rate);
    ASSERT_TRUE(a.HasPeak);
    EXPECT_EQ(a.Harmonics, c.harmonics);
    EXPECT_NEAR(a.ThdPercent, c.thdPercent, 0.01);
    if (c.thdPercent > 0) {
        EXPECT_NEAR(a.ThdDb, 20 * std::log10(c.thdPercent / 100), 0.01);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ThdTest,
    testing::Values(TThdCase{"third_1_percent", 1000, {{1, 1.0, 0}, {3, 0.01, 30}}, 1.0, 9},
                    TThdCase{"second_and_fifth", 1234.5, {{1, 0.5, 0}, {2, 0.0015, 0}, {5, 0.002, 70}}, 0.5, 9},
                    TThdCase{"tenth_counts", 2000, {{1, 1.0, 0}, {10, 0.03, 0}}, 3.0, 9},
                    TThdCase{"eleventh_does_not", 2000, {{1, 1.0, 0}, {11, 0.03, 0}}, 0.0, 9},
                    TThdCase{"clean_sine", 997, {{1, 2.0, 0}}, 0.0, 9},
                    // 10 kHz: the 2nd and 3rd harmonics lie below 39.06 kHz, the 4th does not.
                    TThdCase{"near_half_rate", 10000, {{1, 1.0, 0}, {3, 0.05, 0}}, 5.0, 2}),
    [](const testing::TestParamInfo<TThdCase>& info) { return std::string(info.param.name); });

struct TPeakCase {
    double frequency;
    double rms;
    std::size_t samples;
};

class PeakTest : public testing::TestWithParam<TPeakCase> {};

TEST_P(PeakTest, FrequencyWithinABinLevelWithin005Db) {
    const TPeakCase& c = GetParam();
    const double rate = 78125.0;
    std::vector<double> dbv;
    const TSignalAnalysis a = Analyse(Frame(c.samples, rate, c.frequency, {{1, c.rms, 17}}, 0.3), rate, &dbv);
    const std::uint32_t length = signalview::TSignalAnalyser::TransformLength(c.samples);
    const double bin = rate / length;
    ASSERT_TRUE(a.HasPeak);
    EXPECT_NEAR(a.PeakFrequency, c.frequency, bin);
    EXPECT_NEAR(a.PeakLevelDbv, 20 * std::log10(c.rms), 0.05);
    EXPECT_NEAR(std::abs(a.PeakBin - c.frequency / bin), 0, 1.0);
    // The bin at the line shows the sine's RMS level, less the window's scalloping loss
    // when the line falls between bins (below 1 dB for this window).
    EXPECT_LE(dbv[a.PeakBin], 20 * std::log10(c.rms) + 0.01);
    EXPECT_GE(dbv[a.PeakBin], 20 * std::log10(c.rms) - 1.0);
    // The DC bin shows the mean.
    EXPECT_NEAR(dbv[0], 20 * std::log10(0.3), 0.01);
}

INSTANTIATE_TEST_SUITE_P(Frames, PeakTest,
                         testing::Values(TPeakCase{1000, 1.0, 1 << 16}, TPeakCase{1000.3, 1.0, 1 << 17},
                                         TPeakCase{50, 0.01, 1 << 14}, TPeakCase{31000, 3.0, 1 << 12},
                                         // A weighted-sum frame: its first 2^13 samples are transformed.
                                         TPeakCase{1000, 1.0, 15625}));

TEST(SignalAnalysis, SilenceHasNoPeak) {
    const std::vector<double> x(4096, 0.0);
    const TSignalAnalysis a = Analyse(x, 78125.0);
    EXPECT_FALSE(a.HasPeak);
    EXPECT_EQ(a.Harmonics, 0);
}

TEST(SignalAnalysis, TransformLength) {
    EXPECT_EQ(signalview::TSignalAnalyser::TransformLength(31), 0u);
    EXPECT_EQ(signalview::TSignalAnalyser::TransformLength(32), 32u);
    EXPECT_EQ(signalview::TSignalAnalyser::TransformLength(15625), 8192u);
    EXPECT_EQ(signalview::TSignalAnalyser::TransformLength(1 << 20), 1u << 20);
    signalview::TSignalAnalyser analyser;
    EXPECT_FALSE(analyser.Prepare(16));
    EXPECT_EQ(analyser.Length(), 0u);
}

}  // namespace
