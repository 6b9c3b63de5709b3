// libFuzzer target for zebsim's decoding of what a client sends: the bytes go through a
// real Connection (its frame parser and request handlers) without a socket, against
// the demo scenario or one where every fault that answers at once is set.
//
// Input: one byte of choices, then the client's bytes. Bit 0 picks the scenario; the
// other bits give the size of the pieces the bytes arrive in (0: all at once), as a
// socket may split them anywhere.
#include "Connection.h"
#include "Scenario.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace {

// Faults that take effect at once; a late answer is left out, since it waits.
constexpr const char* kFaultScenario = R"({
  "faults": { "refuse": ["GetCrates"] },
  "crates": [
    { "serial": "F1", "type": 30,
      "faults": { "refuse": ["GetCrateInfo"], "drop_on": "GetCrateModules" },
      "modules": [
        { "slot": 1, "serial": "4401",
          "faults": { "fail": ["SetConfig", "StartADC", "StopADC", "ClearBuffer"] } },
        { "slot": 2, "serial": "4402", "channels": [ { "amplitude": 20, "frequency": 50 } ],
          "faults": { "stop_after_words": 3, "corrupt_after_words": 1,
                      "short_block": { "after_words": 2, "pause_ms": 0 } } },
        { "slot": 3, "serial": "4403", "faults": { "drop_after_words": 5 } },
        { "slot": 4, "id": "0x0B0B", "name": "ZEB-DIO32" },
        { "slot": 5, "serial": "4405", "answers": false }
      ] },
    { "serial": "F2", "type": 21, "faults": { "drop_on": "GetCrateInfo", "refuse": ["GetCrateModules"] } }
  ]
})";

const zebsim::Scenario& Demo() {
    static const zebsim::Scenario scenario = zebsim::loadScenarioFile(FUZZ_DEMO_SCENARIO);
    return scenario;
}

const zebsim::Scenario& Faults() {
    static const zebsim::Scenario scenario = zebsim::parseScenario(kFaultScenario);
    return scenario;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const zebsim::Scenario& scenario = (data[0] & 1) != 0 ? Faults() : Demo();
    const std::size_t piece = data[0] >> 1;
    std::span<const std::uint8_t> bytes(data + 1, size - 1);

    static const zebsim::SimClock clock;
    static const std::atomic<bool> stop{false};
    zebsim::Connection connection(-1, scenario, clock, stop);
    while (!bytes.empty()) {
        const std::size_t n = piece == 0 ? bytes.size() : std::min(piece, bytes.size());
        if (!connection.receive(bytes.first(n))) break;
        bytes = bytes.subspan(n);
    }
    return 0;
}
