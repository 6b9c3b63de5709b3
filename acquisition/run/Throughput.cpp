#include "run/Throughput.h"

#include "FormatFloat/FormatFloat.h"
#include "instrument/Zeb44Tables.h"
#include "run/RunMessages.h"

namespace run {

double DataRateKBps(std::uint32_t activeChannels, double adcFrequency) {
    return activeChannels * 4.0 * adcFrequency * 0.001;
}

bool CheckThroughput(std::uint8_t crateTypeCode, std::string_view moduleName, std::uint32_t activeChannels,
                     double adcFrequency, std::string& message) {
    const double rate = DataRateKBps(activeChannels, adcFrequency);
    const double limit = instrument::CrateThroughputLimit(crateTypeCode);
    if (limit >= rate) return true;
    message = std::string(messages::ThroughputPart1) + std::string(moduleName) + messages::ThroughputPart2 +
              FormatFloat("0.0", rate) + messages::ThroughputPart3 + instrument::CrateModelName(crateTypeCode) +
              messages::ThroughputPart4 + FormatFloat("0.0", limit) + messages::ThroughputPart5;
    return false;
}

}  // namespace run
