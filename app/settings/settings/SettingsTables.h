#pragma once

#include "instrument/Zeb44Tables.h"

#include <array>
#include <cstdint>

namespace settings {

// The list sizes that the stored indices refer to; an index outside 0..count-1
// means "no selection" in the list it belongs to.
inline constexpr int kChannelCount = instrument::ChannelCount;
inline constexpr int kRangeCount = instrument::RangeCount;      // input ranges, index = range index
inline constexpr int kAdcRateCount = instrument::AdcRateCount;  // ADC rates, index = ADC rate index
inline constexpr int kConnectionModeCount = instrument::ConnectionModeCount;  // 0 AC/DC, 1 AC only, 2 own zero
inline constexpr int kMeasuringModeCount = 2;   // 0 DC, 1 AC

// Volts of each input range, in range-index order; the precision keys are named after them.
inline constexpr std::array<double, kRangeCount> kRangeVolts = [] {
    std::array<double, kRangeCount> volts{};
    for (int r = 0; r < kRangeCount; ++r) volts[r] = instrument::InputRanges[r].Volts;
    return volts;
}();

// Decimals shown per range by default (index = range index).
enum class PrecisionDefault { Dc, Ac, Fr };
constexpr std::array<std::uint16_t, kRangeCount> DefaultPrecisions(PrecisionDefault kind) {
    std::array<std::uint16_t, kRangeCount> counts{};
    for (int r = 0; r < kRangeCount; ++r) {
        const instrument::TInputRange& range = instrument::InputRanges[r];
        counts[r] = kind == PrecisionDefault::Dc   ? range.DefaultDcPrecision
                    : kind == PrecisionDefault::Ac ? range.DefaultAcPrecision
                                                   : range.DefaultFrPrecision;
    }
    return counts;
}

// The index itself when it selects an item of a list of `count` items, else -1.
constexpr int ListSelection(int index, int count) { return instrument::RowOrNone(index, count); }

}  // namespace settings
