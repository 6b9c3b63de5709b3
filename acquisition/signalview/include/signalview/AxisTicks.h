#pragma once

// Where the labelled ticks of the signal view's linear axes stand: at round values.
// (Its logarithmic frequency axis labels the powers of ten by itself.)
namespace signalview {

// The ticks of a linear axis: Anchor + k * Interval for k = 0 ... Count - 1, all
// within the axis range.
struct TAxisTicks {
    double Anchor = 0.0;    // the first tick: the smallest multiple of Interval not below the range's start
    double Interval = 0.0;  // 1, 2 or 5 times a power of ten
    int Count = 0;          // 0: no round ticks (an empty, reversed or infinite range)
    int Decimals = 0;       // the decimals that write every tick exactly: 0 for 20, 1 for 0.5, 3 for 0.002
};

// Round ticks for a linear axis from lo to hi: the smallest interval of 1, 2 or 5 times
// a power of ten that puts at most maxTicks (at least 2) ticks into [lo, hi], and the
// ticks at its multiples there. A tick that misses lo or hi by rounding (1e-9 of the
// interval) still counts.
TAxisTicks RoundTicks(double lo, double hi, int maxTicks);

}  // namespace signalview
