#include "run/ModuleConfiguration.h"

#include "instrument/Zeb44Tables.h"
#include "run/RunMessages.h"

namespace run {

namespace {

int RowOrDefault(int index, int rows, int fallback) {
    const int row = instrument::RowOrNone(index, rows);
    return row >= 0 ? row : fallback;
}

}  // namespace

void WriteModuleConfiguration(ModuleRecord& record, const TModuleParameters& parameters) {
    for (int c = 0; c < ZEB44_CHANNELS; ++c) {
        record.ChannelEnabled[c] = parameters.ChannelEnabled[c] ? 1 : 0;
        const int range = RowOrDefault(parameters.RangeIndex[c], instrument::RangeCount, instrument::DefaultRangeIndex);
        record.RangeCode[c] = static_cast<uint8_t>(instrument::InputRanges[range].RangeCode & 0xFF);  // the low byte
    }
    const int rate = RowOrDefault(parameters.AdcRateIndex, instrument::AdcRateCount, instrument::DefaultAdcRateIndex);
    record.AdcRateIndex = rate;
    record.AdcDivisor = instrument::AdcRates[rate].Divisor;
    record.Divider384 = instrument::AdcRates[rate].Divider384;
    if (parameters.ConnectionMode == 2) {
        record.OwnZero = 1;
    } else {
        record.DcCoupling = parameters.ConnectionMode == 0 ? 1 : 0;
        record.OwnZero = 0;
    }
    record.Option60 = 0;
}

bool CheckRunParameters(const TModuleParameters& parameters, std::string& message) {
    if (instrument::RowOrNone(parameters.AdcRateIndex, instrument::AdcRateCount) < 0) {
        message = messages::NoAdcRateSelected;
        return false;
    }
    for (int c = 0; c < ZEB44_CHANNELS; ++c) {
        if (parameters.ChannelEnabled[c] && instrument::RowOrNone(parameters.RangeIndex[c], instrument::RangeCount) < 0) {
            message = std::string(messages::NoRangeSelected) + std::to_string(c + 1) + "!";
            return false;
        }
    }
    return true;
}

}  // namespace run
