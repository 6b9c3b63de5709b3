#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace run {

// The module's data rate in kilobytes per second: 4 bytes per word, one word
// per enabled channel per sample.
double DataRateKBps(std::uint32_t activeChannels, double adcFrequency);

// True when the crate carries the rate (a rate equal to the limit passes); else
// false with the operator's message naming the module, the rate, the crate model
// and its limit.
bool CheckThroughput(std::uint8_t crateTypeCode, std::string_view moduleName, std::uint32_t activeChannels,
                     double adcFrequency, std::string& message);

}  // namespace run
