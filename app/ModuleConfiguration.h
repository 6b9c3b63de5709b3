#pragma once

#include "zeb44api.h"

#include <array>
#include <cstdint>
#include <span>

// The mapping from the multimeter page's parameters to the configuration fields
// of the module record. Plain C++: the window gathers the controls, this fills
// the record; module settings at load time and the acquisition start use it.

// The page's parameters as item indices; -1 means the list has no selection.
struct TModuleParameters {
    std::array<bool, ZEB44_CHANNELS> ChannelEnabled{};
    std::array<int, ZEB44_CHANNELS> RangeIndex{-1, -1, -1, -1};  // rows of the input range table
    int AdcRateIndex = -1;                                         // row of the ADC rate table
    int ConnectionMode = -1;  // 0 AC and DC, 1 AC only, 2 the module's own zero
};

// One row of the ADC rate table as the module takes it.
struct TAdcRateSetting {
    uint8_t Divider384 = 0;
    uint8_t Divisor = 0;
};

// Rows used when a list has no selection, so that only table values reach the
// module: the widest input range (10 V, the default of the settings file) and the
// settings file's default rate (78125 Hz).
inline constexpr int FallbackRangeIndex = 0;
inline constexpr int FallbackAdcRateIndex = 24;

// Writes the channel enable and range-code bytes, the rate index, divisor and
// 384-divider flag, the DC-coupling and own-zero bytes and clears the byte at
// offset 60. Connection mode 2 sets own zero and keeps the DC-coupling byte;
// any other mode (no selection included) clears own zero and sets DC coupling
// only for mode 0. Nothing else of the record changes and nothing is sent.
// Preconditions: rangeCodes has more than FallbackRangeIndex rows, rates more
// than FallbackAdcRateIndex.
void WriteModuleConfiguration(ModuleRecord& record, const TModuleParameters& parameters,
                              std::span<const uint16_t> rangeCodes, std::span<const TAdcRateSetting> rates);
