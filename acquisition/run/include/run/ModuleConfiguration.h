#pragma once

#include "zeb44api.h"

#include <array>
#include <string>

namespace run {

// The multimeter page's parameters as item indices; -1 means the list has no selection.
struct TModuleParameters {
    std::array<bool, ZEB44_CHANNELS> ChannelEnabled{};
    std::array<int, ZEB44_CHANNELS> RangeIndex{-1, -1, -1, -1};  // rows of the input range table
    int AdcRateIndex = -1;                                         // row of the ADC rate table
    int ConnectionMode = -1;  // 0 AC and DC, 1 AC only, 2 the module's own zero

    friend bool operator==(const TModuleParameters&, const TModuleParameters&) = default;
};

// Writes the configuration fields of the record from the parameters: the channel
// enable and range-code bytes, the rate index, divisor and 384-divider flag, the
// DC-coupling and own-zero bytes, and clears the byte at offset 60. Connection
// mode 2 sets own zero and keeps the DC-coupling byte; any other mode (no
// selection included) clears own zero and sets DC coupling only for mode 0.
// A list without selection sends the table's default row (the widest range,
// 78125 Hz), so that only table values reach the module. Nothing else of the
// record changes and nothing is sent.
void WriteModuleConfiguration(ModuleRecord& record, const TModuleParameters& parameters);

// A measurement run needs a rate and a range for every enabled channel: true when
// they are selected, else false with the operator's message naming the list.
bool CheckRunParameters(const TModuleParameters& parameters, std::string& message);

}  // namespace run
