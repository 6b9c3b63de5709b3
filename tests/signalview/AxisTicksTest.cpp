// Round ticks of the signal view's linear axes: whole frames, zooms, DC levels seen
// closely, spectra in negative dBV, tiny and huge spans, and ranges without ticks.
#include "signalview/AxisTicks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct TCase {
    const char* name;
    double lo;
    double hi;
    int maxTicks;
    double interval;  // 0: no ticks
    double anchor;
    int count;
    int decimals;
};

constexpr double Inf = std::numeric_limits<double>::infinity();

TEST(RoundTicks, TakeTheSmallestOneTwoFiveStepThatFits) {
    const TCase cases[] = {
        // 2^17 samples at 78125 Hz in milliseconds: 200 ms, not an eighth of the frame.
        {"frame of 1.68 s", 0.0, 1677.7216, 11, 200.0, 0.0, 9, 0},
        {"frame of 1 s", 0.0, 999.9872, 11, 100.0, 0.0, 10, 0},
        {"zoomed time", 123.456, 130.789, 11, 1.0, 124.0, 7, 0},
        {"zoomed deeper", 125.0012, 125.0071, 11, 0.001, 125.002, 6, 3},
        {"DC level seen closely", 1.2499, 1.2501, 11, 2e-5, 1.2499, 11, 5},
        {"sine around zero", -0.525, 0.525, 11, 0.1, -0.5, 11, 1},
        {"spectrum, 200 dB", -190.0, 10.0, 11, 20.0, -180.0, 10, 0},
        {"spectrum below 0 dBV", -140.0, -60.0, 9, 10.0, -140.0, 9, 0},
        {"frequency zoom", 999.2, 1000.9, 11, 0.2, 999.2, 9, 1},
        {"whole spectrum", 0.0, 39062.5, 11, 5000.0, 0.0, 8, 0},
        {"ends off by rounding", 0.1 * 3, 0.7, 5, 0.1, 0.3, 5, 1},
        {"tiny span", 0.0, 3e-12, 9, 5e-13, 0.0, 7, 13},
        {"huge span", 0.0, 3e15, 9, 5e14, 0.0, 7, 0},
        {"two ticks at most", 0.0, 7.0, 2, 5.0, 0.0, 2, 0},
        {"empty range", 5.0, 5.0, 11, 0.0, 0.0, 0, 0},
        {"reversed range", 2.0, 1.0, 11, 0.0, 0.0, 0, 0},
        {"infinite range", 0.0, Inf, 11, 0.0, 0.0, 0, 0},
        {"not a number", std::nan(""), 1.0, 11, 0.0, 0.0, 0, 0},
        {"fewer than two ticks asked", 0.0, 1.0, 1, 0.0, 0.0, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const signalview::TAxisTicks t = signalview::RoundTicks(c.lo, c.hi, c.maxTicks);
        EXPECT_EQ(t.Count, c.count);
        if (c.count == 0) continue;
        EXPECT_NEAR(t.Interval, c.interval, c.interval * 1e-12);
        EXPECT_NEAR(t.Anchor, c.anchor, c.interval * 1e-9);
        if (c.anchor == 0.0) { EXPECT_FALSE(std::signbit(t.Anchor)) << "a tick at zero is +0"; }
        EXPECT_EQ(t.Decimals, c.decimals);
        // Every tick lies in the range, the next tick would not, and a step one size
        // smaller (2 below 5, 1 below 2, 5 below 10) would need more than maxTicks.
        EXPECT_LE(t.Count, c.maxTicks);
        EXPECT_GE(t.Anchor, c.lo - t.Interval * 1e-9);
        EXPECT_LT(t.Anchor - t.Interval, c.lo);
        EXPECT_LE(t.Anchor + (t.Count - 1) * t.Interval, c.hi + t.Interval * 1e-9);
        EXPECT_GT(t.Anchor + t.Count * t.Interval, c.hi);
        const double mantissa = t.Interval / std::pow(10.0, std::floor(std::log10(t.Interval) + 1e-9));
        const double smaller = t.Interval * (std::fabs(mantissa - 5.0) < 1e-6 ? 0.4 : 0.5);
        EXPECT_GT(std::floor(c.hi / smaller + 1e-9) - std::ceil(c.lo / smaller - 1e-9) + 1.0, c.maxTicks);
    }
}

}  // namespace
