// The full search of a discovery run against zebsim: 16 crates of 16 ZEB44
// modules, so 256 probing opens (each after a status query and a close).
#include "device/CrateScan.h"
#include "support/ZebsimProcess.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

std::string FullSystem(int crates, int slots) {
    std::string json = R"({"crates": [)";
    for (int c = 0; c < crates; ++c) {
        if (c > 0) json += ",";
        json += R"({"serial": "CR-)" + std::to_string(c) + R"(", "type": 30, "modules": [)";
        for (int s = 1; s <= slots; ++s) {
            if (s > 1) json += ",";
            json += R"({"slot": )" + std::to_string(s) + R"(, "serial": "M)" + std::to_string(c * 100 + s) +
                    R"(", "firmware": "1.0.0.0"})";
        }
        json += "]}";
    }
    return json + "]}";
}

void BM_ScanCrates(benchmark::State& state) {
    const int crates = static_cast<int>(state.range(0));
    const int slots = static_cast<int>(state.range(1));
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = FullSystem(crates, slots);
    zebtest::ZebsimProcess server(options);
    server.exportPort();

    auto tables = std::make_unique<TDiscoveryTables>();
    ModuleRecord module{};
    for (auto _ : state) {
        if (ScanCrates(*tables, module) != TScanResult::Done || tables->ListedCrateCount != crates) {
            state.SkipWithError("the scan did not list every crate");
            break;
        }
    }
    state.counters["opens"] = crates * slots;
}

BENCHMARK(BM_ScanCrates)->Args({16, 16})->Args({1, 16})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
