#include "signalview/AxisTicks.h"

#include <algorithm>
#include <cmath>

namespace signalview {
namespace {

// Rounding of a range's ends against the ticks' multiples, in intervals.
constexpr double Slack = 1e-9;

}  // namespace

TAxisTicks RoundTicks(double lo, double hi, int maxTicks) {
    TAxisTicks ticks;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo) || maxTicks < 2) return ticks;
    const double span = hi - lo;
    if (!std::isfinite(span)) return ticks;
    // The step that maxTicks ticks would need, rounded up to 1, 2 or 5 times its power of ten.
    const int exponent = static_cast<int>(std::floor(std::log10(span / (maxTicks - 1))));
    for (int e = exponent; e <= exponent + 1; ++e) {
        const double power = std::pow(10.0, e);
        for (int mantissa : {1, 2, 5}) {
            const double interval = mantissa * power;
            const double first = std::ceil(lo / interval - Slack);
            const double last = std::floor(hi / interval + Slack);
            const double count = last - first + 1.0;
            if (count > maxTicks) continue;
            ticks.Interval = interval;
            ticks.Anchor = first * interval + 0.0;  // + 0.0: no tick at -0
            ticks.Count = static_cast<int>(count);
            ticks.Decimals = std::max(0, -e);
            return ticks;
        }
    }
    return ticks;
}

}  // namespace signalview
