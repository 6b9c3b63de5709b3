// zebprobe: a crate client built only on the public zebapi.h / zeb44api.h.
// Lists the crates, probes every ZEB44 slot, opens a module, configures all
// four channels, receives for a while in 100 ms blocks as the program does,
// and reports the delivered word rate, the volts per channel and how long a
// receive on a silent module takes to give up.
#include "zeb44api.h"
#include "zebapi.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct Options {
    int rateIndex = 24;
    double seconds = 2.0;
    int rangeCode = 4;
    std::string crate;
    int slot = 0;
    int stallTimeoutMs = 500;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const char* v = argv[i + 1];
        if (a == "--rate-index") o.rateIndex = std::atoi(v);
        else if (a == "--seconds") o.seconds = std::atof(v);
        else if (a == "--range-code") o.rangeCode = std::atoi(v);
        else if (a == "--crate") o.crate = v;
        else if (a == "--slot") o.slot = std::atoi(v);
        else if (a == "--stall-timeout-ms") o.stallTimeoutMs = std::atoi(v);
        else return false;
    }
    return argc % 2 == 1 && o.rateIndex >= 0 && o.rateIndex <= 24 && o.seconds > 0 && o.seconds <= 3600 &&
           o.rangeCode >= 0 && o.rangeCode <= 5 && o.stallTimeoutMs >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: zebprobe [--rate-index 0..24] [--seconds S] [--range-code 0..5] [--crate SERIAL --slot N]\n"
                     "                [--stall-timeout-ms T]   (server port: ZEB_SERVER_PORT, default 11111)\n");
        return 2;
    }
    // The module's rate table: 384 flag and divisor per rate index.
    static const int table[25][2] = {{1, 15}, {1, 14}, {1, 13}, {1, 12}, {1, 11}, {0, 15}, {0, 14}, {1, 9}, {0, 13},
                                     {0, 12}, {0, 11}, {1, 7},  {0, 10}, {0, 9},  {0, 8},  {1, 5},  {0, 7}, {0, 6},
                                     {0, 5},  {1, 3},  {0, 4},  {0, 3},  {0, 2},  {1, 1},  {0, 1}};
    const int flag = table[o.rateIndex][0];
    const int divisor = table[o.rateIndex][1];
    const double rate = o.rateIndex == 22 ? 39062.49 : 20e6 / ((flag ? 384.0 : 256.0) * divisor);

    CrateHandle h;
    ZEB_Init(&h);
    h.Option22 = 0;
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE];
    std::memset(serials, 0, sizeof serials);
    if (int32_t rc = ZEB_Open(&h); rc != ZEB_OK) {
        std::fprintf(stderr, "zebprobe: no crate server (ZEB_Open %d)\n", rc);
        return 1;
    }
    if (int32_t rc = ZEB_GetCrates(&h, serials); rc != ZEB_OK) {
        std::fprintf(stderr, "zebprobe: ZEB_GetCrates %d\n", rc);
        return 1;
    }
    ZEB_Close(&h);

    ModuleRecord m;
    std::memset(&m, 0, sizeof m);
    for (int i = 0; i < ZEB_MAX_CRATES && serials[i][0] != '\0'; ++i) {
        std::memcpy(h.Serial, serials[i], ZEB_SERIAL_SIZE);
        CrateInfo info{};
        uint16_t ids[ZEB_SLOT_COUNT] = {};
        if (ZEB_Open(&h) != ZEB_OK || ZEB_GetCrateInfo(&h, &info) != ZEB_OK || ZEB_GetCrateModules(&h, ids) != ZEB_OK) {
            std::fprintf(stderr, "zebprobe: crate %s does not answer\n", serials[i]);
            return 1;
        }
        ZEB_Close(&h);
        std::printf("crate %d: %s, type code %d\n", i + 1, serials[i], info.TypeCode);
        for (int k = 0; k < ZEB_SLOT_COUNT; ++k) {
            if (ids[k] == 0) continue;
            if (ids[k] != ZEB_MODULE_ID_ZEB44) {
                std::printf("  slot %2d: module id 0x%04X\n", k + 1, ids[k]);
                continue;
            }
            if (ZEB44_IsOpened(&m) == ZEB44_OK) ZEB44_Close(&m);
            const int32_t rc = ZEB44_Open(&m, 0x7F000001u, 11111, serials[i], static_cast<uint16_t>(k + 1));
            if (rc == ZEB44_OK) {
                const uint32_t fw = m.FirmwareVersion;
                std::printf("  slot %2d: %s serial %s firmware %u.%u.%u.%u\n", k + 1, m.Name, m.Serial, fw >> 24,
                            (fw >> 16) & 255, (fw >> 8) & 255, fw & 255);
                if (o.crate.empty()) {
                    o.crate = serials[i];
                    o.slot = k + 1;
                }
            } else {
                std::printf("  slot %2d: ZEB44 does not answer (%d)\n", k + 1, rc);
            }
        }
    }
    if (ZEB44_IsOpened(&m) == ZEB44_OK) ZEB44_Close(&m);
    if (o.crate.empty()) {
        std::fprintf(stderr, "zebprobe: no answering ZEB44\n");
        return 1;
    }

    char crate[16] = {};
    std::snprintf(crate, sizeof crate, "%s", o.crate.c_str());
    ZEB44_Init(&m);
    if (int32_t rc = ZEB44_Open(&m, 0x7F000001u, 11111, crate, static_cast<uint16_t>(o.slot)); rc != ZEB44_OK) {
        std::fprintf(stderr, "zebprobe: ZEB44_Open %s slot %d: %d\n", crate, o.slot, rc);
        return 1;
    }
    for (int c = 0; c < 4; ++c) {
        m.ChannelEnabled[c] = 1;
        m.RangeCode[c] = static_cast<uint8_t>(o.rangeCode);
    }
    m.AdcRateIndex = o.rateIndex;
    m.AdcDivisor = static_cast<uint8_t>(divisor);
    m.Divider384 = static_cast<uint8_t>(flag);
    m.DcCoupling = 1;
    m.OwnZero = 0;
    m.Option60 = 0;
    if (ZEB44_SetConfig(&m) != ZEB44_OK || ZEB44_StopADC(&m) != ZEB44_OK || ZEB44_ClearBuffer(&m, 1) != ZEB44_OK) {
        std::fprintf(stderr, "zebprobe: configuration refused\n");
        return 1;
    }
    const uint32_t block = static_cast<uint32_t>(rate * 0.1 * 4);
    const uint32_t total = static_cast<uint32_t>(rate * o.seconds) * 4;
    std::vector<uint32_t> words(total);
    if (ZEB44_StartADC(&m, 0) != ZEB44_OK) return 1;
    const auto start = Clock::now();
    uint32_t received = 0;
    while (received < total) {
        const int32_t want = static_cast<int32_t>(std::min(block, total - received));
        const int32_t r = ZEB44_Recv(&m, words.data() + received, nullptr, want, 5000);
        if (r != want) {
            std::fprintf(stderr, "zebprobe: ZEB44_Recv returned %d of %d\n", r, want);
            return 1;
        }
        received += static_cast<uint32_t>(r);
    }
    const double took = since(start);
    std::printf("module %s slot %d: rate index %d = %.2f Hz x 4 channels, range code %d\n", crate, o.slot, o.rateIndex,
                rate, o.rangeCode);
    std::printf("received %u words in %.3f s: %.0f words/s (nominal %.0f)\n", total, took, total / took, rate * 4);

    std::vector<double> volts(total);
    uint8_t overload[4] = {};
    if (ZEB44_ProcessData(&m, words.data(), volts.data(), static_cast<int32_t>(total), 1, 1, overload) != ZEB44_OK) {
        std::fprintf(stderr, "zebprobe: ZEB44_ProcessData failed\n");
        return 1;
    }
    const uint32_t n = total / 4;
    for (int c = 0; c < 4; ++c) {
        double mean = 0, rms = 0;
        for (uint32_t i = 0; i < n; ++i) mean += volts[c * n + i];
        mean /= n;
        for (uint32_t i = 0; i < n; ++i) rms += (volts[c * n + i] - mean) * (volts[c * n + i] - mean);
        rms = std::sqrt(rms / n);
        std::printf("  channel %d: mean %+.6f V, AC rms %.6f V%s\n", c + 1, mean, rms, overload[c] ? ", OVERLOAD" : "");
    }

    ZEB44_StopADC(&m);
    ZEB44_ClearBuffer(&m, 1);
    const auto stall = Clock::now();
    const int32_t r = ZEB44_Recv(&m, words.data(), nullptr, static_cast<int32_t>(block), o.stallTimeoutMs);
    std::printf("receive on the stopped module: %d words after %.1f ms (timeout %d ms)\n", r, since(stall) * 1000,
                o.stallTimeoutMs);
    ZEB44_Close(&m);
    return 0;
}
