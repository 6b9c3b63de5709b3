// Helpers shared by the crate library tests: the module's rate table as the
// program knows it, record configuration, sample words built from the format
// documented in zeb44api.h, and a zebsim per test suite.
#pragma once

#include "support/ZebsimProcess.h"
#include "zeb44api.h"
#include "zebapi.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace zebtest {

struct RateRow {
    double frequency;
    std::uint8_t flag384;
    std::uint8_t divisor;
};
// Rate index 0..24 as the program's rate table lists them.
inline RateRow rateRow(int index) {
    static constexpr std::uint8_t rows[25][2] = {
        {1, 15}, {1, 14}, {1, 13}, {1, 12}, {1, 11}, {0, 15}, {0, 14}, {1, 9}, {0, 13}, {0, 12}, {0, 11}, {1, 7}, {0, 10},
        {0, 9},  {0, 8},  {1, 5},  {0, 7},  {0, 6},  {0, 5},  {1, 3},  {0, 4}, {0, 3},  {0, 2},  {1, 1}, {0, 1}};
    const double f = index == 22 ? 39062.49 : 20e6 / ((rows[index][0] ? 384.0 : 256.0) * rows[index][1]);
    return {f, rows[index][0], rows[index][1]};
}

// Full scale of a module range code.
inline double rangeVolts(int code) {
    static constexpr double volts[6] = {1.0, 0.3, 0.1, 0.03, 10.0, 3.0};
    return volts[code];
}

enum class Coupling { Dc, Ac, OwnZero };

struct ModuleSetup {
    unsigned enabledMask = 0xF;  // bit c = channel c + 1
    std::array<std::uint8_t, 4> range{4, 4, 4, 4};
    int rateIndex = 0;
    Coupling coupling = Coupling::Dc;
};

// Writes the configuration fields the way the program does.
inline void writeConfig(ModuleRecord& m, const ModuleSetup& s) {
    for (int c = 0; c < 4; ++c) {
        m.ChannelEnabled[c] = (s.enabledMask >> c) & 1u;
        m.RangeCode[c] = s.range[c];
    }
    const RateRow row = rateRow(s.rateIndex);
    m.AdcRateIndex = s.rateIndex;
    m.AdcDivisor = row.divisor;
    m.Divider384 = row.flag384;
    if (s.coupling == Coupling::OwnZero) {
        m.OwnZero = 1;
    } else {
        m.DcCoupling = s.coupling == Coupling::Dc ? 1 : 0;
        m.OwnZero = 0;
    }
    m.Option60 = 0;
}

inline int activeChannels(unsigned mask) { return __builtin_popcount(mask & 0xFu); }

// A word in the documented format.
inline std::uint32_t word(int channel, std::int32_t code, bool overload = false) {
    return 0xA0000000u | (overload ? 1u << 26 : 0u) | (static_cast<std::uint32_t>(channel) << 24) |
           (static_cast<std::uint32_t>(code) & 0xFFFFFFu);
}
inline int wordChannel(std::uint32_t w) { return static_cast<int>((w >> 24) & 3u); }
inline bool wordOverload(std::uint32_t w) { return (w >> 26) & 1u; }

// A zero-filled record that closes itself.
struct Record {
    ModuleRecord m{};
    Record() { std::memset(&m, 0, sizeof m); }
    ~Record() {
        if (ZEB44_IsOpened(&m) == ZEB44_OK) ZEB44_Close(&m);
    }
    ModuleRecord* operator->() { return &m; }
    ModuleRecord* get() { return &m; }
};

inline constexpr std::uint32_t kLoopback = 0x7F000001u;

// Opens crate "T1" slot 1 of singleModuleScenario (port from ZEB_SERVER_PORT).
inline std::int32_t openTestModule(ModuleRecord* m, std::uint16_t slot = 1, const char* crate = "T1") {
    char serial[16] = {};
    std::strncpy(serial, crate, 15);
    return ZEB44_Open(m, kLoopback, 11111, serial, slot);
}

// Start zebsim with a scenario and point the libraries at it.
inline std::unique_ptr<ZebsimProcess> startServer(const std::string& json, double timeScale = 1.0) {
    ZebsimProcess::Options o;
    o.scenarioJson = json;
    o.timeScale = timeScale;
    auto server = std::make_unique<ZebsimProcess>(o);
    server->exportPort();
    return server;
}

inline double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace zebtest
