#pragma once

#include <array>

namespace settings {

// The list sizes that the stored indices refer to; an index outside 0..count-1
// means "no selection" in the list it belongs to.
inline constexpr int kChannelCount = 4;
inline constexpr int kRangeCount = 6;           // input ranges, index = range index
inline constexpr int kAdcRateCount = 25;        // ADC rates, index = ADC rate index
inline constexpr int kConnectionModeCount = 3;  // 0 AC/DC, 1 AC only, 2 the module's own zero
inline constexpr int kMeasuringModeCount = 2;   // 0 DC, 1 AC

// Volts of each input range, in range-index order; the precision keys are named after them.
inline constexpr std::array<double, kRangeCount> kRangeVolts{10.0, 3.0, 1.0, 0.3, 0.1, 0.03};

// The index itself when it selects an item of a list of `count` items, else -1.
constexpr int ListSelection(int index, int count) { return index >= 0 && index < count ? index : -1; }

}  // namespace settings
