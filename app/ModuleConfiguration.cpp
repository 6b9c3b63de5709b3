#include "app/ModuleConfiguration.h"

#include <cassert>

namespace {

int RowOrFallback(int index, std::size_t rows, int fallback) {
    return index >= 0 && static_cast<std::size_t>(index) < rows ? index : fallback;
}

}  // namespace

void WriteModuleConfiguration(ModuleRecord& record, const TModuleParameters& parameters,
                              std::span<const uint16_t> rangeCodes, std::span<const TAdcRateSetting> rates) {
    assert(rangeCodes.size() > static_cast<std::size_t>(FallbackRangeIndex));
    assert(rates.size() > static_cast<std::size_t>(FallbackAdcRateIndex));
    for (int c = 0; c < ZEB44_CHANNELS; ++c) {
        record.ChannelEnabled[c] = parameters.ChannelEnabled[c] ? 1 : 0;
        const int range = RowOrFallback(parameters.RangeIndex[c], rangeCodes.size(), FallbackRangeIndex);
        record.RangeCode[c] = static_cast<uint8_t>(rangeCodes[range] & 0xFF);  // the code's low byte
    }
    const int rate = RowOrFallback(parameters.AdcRateIndex, rates.size(), FallbackAdcRateIndex);
    record.AdcRateIndex = rate;
    record.AdcDivisor = rates[rate].Divisor;
    record.Divider384 = rates[rate].Divider384;
    if (parameters.ConnectionMode == 2) {
        record.OwnZero = 1;
    } else {
        record.DcCoupling = parameters.ConnectionMode == 0 ? 1 : 0;
        record.OwnZero = 0;
    }
    record.Option60 = 0;
}
