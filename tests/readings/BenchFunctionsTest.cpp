#include "readings/BenchFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using readings::TBenchChannel;
using readings::TBenchField;
using readings::TBenchSettings;
using readings::TNullMode;
using readings::TVerdict;

struct TFrame {
    double Volts;
    bool Overload;
};

std::vector<readings::TBenchResult> Feed(TBenchChannel& channel, const std::vector<TFrame>& frames) {
    std::vector<readings::TBenchResult> out;
    for (const TFrame& f : frames) out.push_back(channel.Add(f.Volts, f.Overload));
    return out;
}

TEST(BenchFunctions, NullOffsetIsSubtractedFromWhatIsShown) {
    struct Case {
        const char* name;
        TBenchSettings settings;
        std::vector<double> readings;
        std::vector<double> shown;
        double offsetAfter;
    };
    TBenchSettings off;
    TBenchSettings given;
    given.NullMode = TNullMode::Volts;
    given.NullVolts = 1.25;
    TBenchSettings first;
    first.NullMode = TNullMode::NextReading;
    TBenchSettings firstAveraged = first;
    firstAveraged.AverageCount = 2;
    for (const Case& c : std::vector<Case>{
             {"off", off, {1.0, 2.0}, {1.0, 2.0}, 0.0},
             {"given", given, {1.25, 1.5, 1.0}, {0.0, 0.25, -0.25}, 1.25},
             {"from the first reading", first, {3.0, 3.5, 2.0}, {0.0, 0.5, -1.0}, 3.0},
             {"first reading averaged", firstAveraged, {4.0, 6.0, 8.0}, {0.0, 1.0, 3.0}, 4.0},
         }) {
        TBenchChannel channel;
        channel.Configure(c.settings);
        for (std::size_t k = 0; k < c.readings.size(); ++k)
            EXPECT_DOUBLE_EQ(channel.Add(c.readings[k], false).Shown, c.shown[k]) << c.name << " frame " << k;
        EXPECT_EQ(channel.Settings().NullMode, c.settings.NullMode == TNullMode::Off ? TNullMode::Off : TNullMode::Volts)
            << c.name;
        EXPECT_DOUBLE_EQ(channel.Settings().NullMode == TNullMode::Off ? 0.0 : channel.Settings().NullVolts,
                         c.offsetAfter)
            << c.name;
    }
}

TEST(BenchFunctions, NullOnTheCurrentReadingTakesTheLastAveragedReadingOrTheNext) {
    TBenchChannel channel;
    channel.NullOnCurrentReading();  // no reading yet: the next one
    EXPECT_EQ(channel.Settings().NullMode, TNullMode::NextReading);
    EXPECT_DOUBLE_EQ(channel.Add(2.0, false).Shown, 0.0);
    EXPECT_DOUBLE_EQ(channel.Add(2.5, false).Shown, 0.5);
    channel.NullOnCurrentReading();
    EXPECT_EQ(channel.Settings().NullMode, TNullMode::Volts);
    EXPECT_DOUBLE_EQ(channel.Settings().NullVolts, 2.5);
    EXPECT_DOUBLE_EQ(channel.Add(2.0, false).Shown, -0.5);
}

TEST(BenchFunctions, MovingAverageOverTheLastFramesRestartedByResetAndChange) {
    struct Case {
        const char* name;
        int count;
        std::vector<double> readings;
        std::vector<double> shown;
        std::vector<int> averaged;
    };
    for (const Case& c : std::vector<Case>{
             {"one frame", 1, {1.0, 5.0, 3.0}, {1.0, 5.0, 3.0}, {1, 1, 1}},
             {"two frames", 2, {1.0, 5.0, 3.0, 7.0}, {1.0, 3.0, 4.0, 5.0}, {1, 2, 2, 2}},
             {"three, filling up", 3, {3.0, 6.0, 9.0, 0.0, 3.0}, {3.0, 4.5, 6.0, 5.0, 4.0}, {1, 2, 3, 3, 3}},
         }) {
        TBenchChannel channel;
        TBenchSettings s;
        s.AverageCount = c.count;
        channel.Configure(s);
        for (std::size_t k = 0; k < c.readings.size(); ++k) {
            const readings::TBenchResult r = channel.Add(c.readings[k], false);
            EXPECT_DOUBLE_EQ(r.Shown, c.shown[k]) << c.name << " frame " << k;
            EXPECT_EQ(r.Averaged, c.averaged[k]) << c.name << " frame " << k;
        }
    }
    // The largest window, turned many times: the average stays that of the last 1000.
    TBenchChannel big;
    TBenchSettings s;
    s.AverageCount = readings::MaxAverageCount;
    big.Configure(s);
    for (int k = 1; k <= 5500; ++k) big.Add(1e6 + k, false);
    EXPECT_DOUBLE_EQ(big.Last().Shown, 1e6 + 5000.5);
    // A reset and a change of the settings each start the average afresh; the same
    // settings again do not.
    const struct {
        const char* name;
        void (*act)(TBenchChannel&);
        int averaged;
        double shown;
    } restarts[]{
        {"reset", [](TBenchChannel& c) { c.Reset(); }, 1, 10.0},
        {"other count",
         [](TBenchChannel& c) {
             TBenchSettings t = c.Settings();
             t.AverageCount = 3;
             c.Configure(t);
         },
         1, 10.0},
        {"limits changed",
         [](TBenchChannel& c) {
             TBenchSettings t = c.Settings();
             t.LimitsOn = true;
             c.Configure(t);
         },
         1, 10.0},
        {"same settings", [](TBenchChannel& c) { c.Configure(c.Settings()); }, 3, 6.0},
    };
    for (const auto& r : restarts) {
        TBenchChannel channel;
        TBenchSettings t;
        t.AverageCount = 4;
        channel.Configure(t);
        channel.Add(2.0, false);
        channel.Add(6.0, false);
        r.act(channel);
        const readings::TBenchResult result = channel.Add(10.0, false);
        EXPECT_EQ(result.Averaged, r.averaged) << r.name;
        EXPECT_DOUBLE_EQ(result.Shown, r.shown) << r.name;
    }
}

TEST(BenchFunctions, LimitsGiveAVerdictPerFrameAndOverloadFails) {
    const std::optional<double> none;
    struct Case {
        const char* name;
        bool on;
        std::optional<double> lower;
        std::optional<double> upper;
        double volts;
        bool overload;
        TVerdict verdict;
    };
    for (const Case& c : std::vector<Case>{
             {"off", false, -1.0, 1.0, 5.0, true, TVerdict::NotJudged},
             {"both, inside", true, -1.0, 1.0, 0.5, false, TVerdict::Pass},
             {"both, on the lower", true, -1.0, 1.0, -1.0, false, TVerdict::Pass},
             {"both, on the upper", true, -1.0, 1.0, 1.0, false, TVerdict::Pass},
             {"both, below", true, -1.0, 1.0, -1.5, false, TVerdict::FailLow},
             {"both, above", true, -1.0, 1.0, 1.5, false, TVerdict::FailHigh},
             {"both, inside but overloaded", true, -1.0, 1.0, 0.0, true, TVerdict::FailOverload},
             {"lower only, above it", true, 2.0, none, 1e9, false, TVerdict::Pass},
             {"lower only, below it", true, 2.0, none, 1.0, false, TVerdict::FailLow},
             {"upper only, below it", true, none, 2.0, -1e9, false, TVerdict::Pass},
             {"upper only, above it", true, none, 2.0, 3.0, false, TVerdict::FailHigh},
             {"none, overloaded", true, none, none, 0.0, true, TVerdict::FailOverload},
             {"none", true, none, none, 0.0, false, TVerdict::Pass},
         }) {
        TBenchChannel channel;
        TBenchSettings s;
        s.LimitsOn = c.on;
        s.Lower = c.lower;
        s.Upper = c.upper;
        channel.Configure(s);
        EXPECT_EQ(channel.Add(c.volts, c.overload).Verdict, c.verdict) << c.name;
        const readings::TBenchStats& st = channel.Stats();
        EXPECT_EQ(st.Passed, c.verdict == TVerdict::Pass ? 1u : 0u) << c.name;
        EXPECT_EQ(st.Failed(), readings::IsFail(c.verdict) ? 1u : 0u) << c.name;
        EXPECT_EQ(st.Overloads, c.overload ? 1u : 0u) << c.name;
    }
    // Limits judge the shown reading: relative to the null, averaged; an overloaded
    // frame fails every average it is part of.
    TBenchChannel channel;
    TBenchSettings s;
    s.NullMode = TNullMode::Volts;
    s.NullVolts = 10.0;
    s.AverageCount = 2;
    s.LimitsOn = true;
    s.Lower = -0.5;
    s.Upper = 0.5;
    channel.Configure(s);
    const auto results = Feed(channel, {{10.0, false}, {11.6, false}, {10.4, true}, {10.0, false}, {10.0, false}});
    const TVerdict expected[]{TVerdict::Pass, TVerdict::FailHigh, TVerdict::FailOverload, TVerdict::FailOverload,
                              TVerdict::Pass};
    for (std::size_t k = 0; k < results.size(); ++k) EXPECT_EQ(results[k].Verdict, expected[k]) << "frame " << k;
    const readings::TBenchStats& st = channel.Stats();
    EXPECT_EQ(st.Passed, 2u);
    EXPECT_EQ(st.FailedHigh, 1u);
    EXPECT_EQ(st.FailedOverload, 2u);
    EXPECT_EQ(st.Failed(), 3u);
}

TEST(BenchFunctions, ValidationNamesTheBadEntry) {
    const double nan = std::nan("");
    const double inf = INFINITY;
    struct Case {
        const char* name;
        TBenchSettings settings;
        int channel;
        std::optional<TBenchField> field;
        const char* message;
    };
    const auto with = [](auto change) {
        TBenchSettings s;
        change(s);
        return s;
    };
    for (const Case& c : std::vector<Case>{
             {"defaults", TBenchSettings{}, 0, std::nullopt, ""},
             {"limits equal", with([](TBenchSettings& s) { s.Lower = s.Upper = 1.0; }), 0, std::nullopt, ""},
             {"1000 frames", with([](TBenchSettings& s) { s.AverageCount = 1000; }), 0, std::nullopt, ""},
             {"lower above upper", with([](TBenchSettings& s) {
                  s.Lower = 2.0;
                  s.Upper = 1.0;
              }),
              2, TBenchField::Lower, "Нижний допуск выше верхнего (канал 3)."},
             {"no frames", with([](TBenchSettings& s) { s.AverageCount = 0; }), 0, TBenchField::AverageCount,
              "Число усредняемых кадров должно быть от 1 до 1000 (канал 1)."},
             {"1001 frames", with([](TBenchSettings& s) { s.AverageCount = 1001; }), 3, TBenchField::AverageCount,
              "Число усредняемых кадров должно быть от 1 до 1000 (канал 4)."},
             {"offset nan", with([&](TBenchSettings& s) { s.NullVolts = nan; }), 1, TBenchField::NullVolts,
              "Смещение нуля должно быть конечным числом вольт (канал 2)."},
             {"lower infinite", with([&](TBenchSettings& s) { s.Lower = -inf; }), 0, TBenchField::Lower,
              "Нижний допуск должен быть конечным числом вольт (канал 1)."},
             {"upper nan", with([&](TBenchSettings& s) { s.Upper = nan; }), 0, TBenchField::Upper,
              "Верхний допуск должен быть конечным числом вольт (канал 1)."},
         }) {
        const std::optional<readings::TBenchError> error = readings::ValidateBenchSettings(c.settings, c.channel);
        ASSERT_EQ(error.has_value(), c.field.has_value()) << c.name;
        if (!error) continue;
        EXPECT_EQ(error->Field, *c.field) << c.name;
        EXPECT_EQ(error->Message, c.message) << c.name;
    }
}

TEST(BenchFunctions, NumbersAsTheOperatorTypesThem) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    for (const Case& c : std::vector<Case>{{"1.5", 1.5},
                                           {"1,5", 1.5},
                                           {" -0,25 ", -0.25},
                                           {"+2", 2.0},
                                           {"1e-3", 1e-3},
                                           {"", std::nullopt},
                                           {"   ", std::nullopt},
                                           {"abc", std::nullopt},
                                           {"1.5 В", std::nullopt},
                                           {"nan", std::nullopt},
                                           {"inf", std::nullopt},
                                           {"1e400", std::nullopt},
                                           {"1.2.3", std::nullopt},
                                           {"--1", std::nullopt}}) {
        EXPECT_EQ(readings::ParseBenchNumber(c.text), c.value) << '"' << c.text << '"';
    }
}

// Count, extremes, mean and deviation of 10^6 readings of 1e6 V with noise of
// microvolts against a two-pass reference in long double.
TEST(BenchFunctions, StatisticsMatchATwoPassReferenceOnALargeLevel) {
    constexpr std::size_t N = 1'000'000;
    std::mt19937_64 random(11);
    std::normal_distribution<double> noise(0.0, 3e-6);
    std::vector<double> x(N);
    for (double& v : x) v = 1e6 + 0.5e-6 + noise(random);
    x[N / 2] = 1e6 + 5e-5;  // a known maximum

    TBenchChannel channel;
    TBenchSettings s;
    s.LimitsOn = true;
    s.Lower = 1e6 - 1e-5;
    s.Upper = 1e6 + 1e-5;
    channel.Configure(s);
    for (double v : x) channel.Add(v, false);

    long double sum = 0.0L;
    for (double v : x) sum += v;
    const long double mean = sum / N;
    long double squares = 0.0L;
    double lo = x[0];
    double hi = x[0];
    std::uint64_t inside = 0;
    for (double v : x) {
        squares += (v - mean) * (v - mean);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        if (v >= *s.Lower && v <= *s.Upper) ++inside;
    }
    const long double deviation = std::sqrt(squares / (N - 1));

    const readings::TBenchStats& st = channel.Stats();
    EXPECT_EQ(st.Count, N);
    EXPECT_EQ(st.Minimum, lo);
    EXPECT_EQ(st.Maximum, hi);
    EXPECT_EQ(st.PeakToPeak(), hi - lo);
    // The mean to a unit of double's last place at 1e6 (1.2e-10 V); the deviation, a
    // few microvolts, to 1e-9 of itself.
    EXPECT_NEAR(st.Mean, static_cast<double>(mean), 2.5e-10);
    EXPECT_NEAR(st.Deviation / static_cast<double>(deviation), 1.0, 1e-9);
    EXPECT_EQ(st.Passed, inside);
    EXPECT_EQ(st.Passed + st.Failed(), N);

    channel.Reset();
    EXPECT_EQ(channel.Stats().Count, 0u);
    EXPECT_EQ(channel.Stats().Passed, 0u);
    channel.Add(3.0, false);
    EXPECT_EQ(channel.Stats().Minimum, 3.0);
    EXPECT_EQ(channel.Stats().Mean, 3.0);
    EXPECT_EQ(channel.Stats().Deviation, 0.0);
}

}  // namespace
