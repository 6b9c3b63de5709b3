// A client written only from the two public headers, as the program uses
// them: list the demo crates, probe every ZEB44 slot, open a module,
// configure it, receive one frame in 100 ms blocks and convert it to volts.
#include "support/ZebsimProcess.h"
#include "zeb44api.h"
#include "zebapi.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Listed {
    std::string crate;
    int type;
    std::vector<int> slots;
    std::vector<std::string> serials;
};

std::vector<Listed> discover() {
    CrateHandle h;
    ZEB_Init(&h);
    h.Option22 = 0;
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE];
    std::memset(serials, 0, sizeof serials);
    EXPECT_EQ(ZEB_Open(&h), ZEB_OK);
    EXPECT_EQ(ZEB_GetCrates(&h, serials), ZEB_OK);
    ZEB_Close(&h);

    std::vector<Listed> listed;
    ModuleRecord probe;
    std::memset(&probe, 0, sizeof probe);  // probing opens without ZEB44_Init
    for (int i = 0; i < ZEB_MAX_CRATES && serials[i][0] != '\0'; ++i) {
        std::memcpy(h.Serial, serials[i], ZEB_SERIAL_SIZE);
        CrateInfo info{};
        std::uint16_t ids[ZEB_SLOT_COUNT] = {};
        EXPECT_EQ(ZEB_Open(&h), ZEB_OK);
        EXPECT_EQ(ZEB_GetCrateInfo(&h, &info), ZEB_OK);
        EXPECT_EQ(ZEB_GetCrateModules(&h, ids), ZEB_OK);
        ZEB_Close(&h);
        Listed crate{serials[i], info.TypeCode, {}, {}};
        for (int k = 0; k < ZEB_SLOT_COUNT; ++k) {
            if (ids[k] != ZEB_MODULE_ID_ZEB44) continue;
            if (ZEB44_IsOpened(&probe) == ZEB44_OK) ZEB44_Close(&probe);
            if (ZEB44_Open(&probe, 0x7F000001u, 11111, serials[i], static_cast<std::uint16_t>(k + 1)) == ZEB44_OK) {
                crate.slots.push_back(k + 1);
                crate.serials.push_back(probe.Serial);
            }
        }
        if (!crate.slots.empty()) listed.push_back(crate);
    }
    if (ZEB44_IsOpened(&probe) == ZEB44_OK) ZEB44_Close(&probe);
    return listed;
}

TEST(DemoClient, DiscoversConfiguresAndMeasuresTheDemoCrates) {
    zebtest::ZebsimProcess::Options options;
    options.scenarioFile = DEMO_SCENARIO;
    options.timeScale = 4.0;
    zebtest::ZebsimProcess server(options);
    server.exportPort();

    const auto listed = discover();
    ASSERT_EQ(listed.size(), 2u);
    // The ZEB-N8 crate comes first; one of its three ZEB44 does not answer.
    EXPECT_EQ(listed[0].type, 30);
    EXPECT_EQ(listed[0].slots, (std::vector<int>{3, 12}));
    // The ZEB-K1 crate holds the module with the signals measured below.
    const auto& k1 = listed[1];
    EXPECT_EQ(k1.type, 21);
    EXPECT_EQ(k1.slots, (std::vector<int>{1, 16}));

    ModuleRecord module;
    std::memset(&module, 0, sizeof module);
    ZEB44_Init(&module);
    ASSERT_EQ(ZEB44_Open(&module, 0x7F000001u, 11111, k1.crate.c_str(), 1), ZEB44_OK);
    EXPECT_STREQ(module.Name, "ZEB44");
    EXPECT_STREQ(module.Serial, k1.serials[0].c_str());
    EXPECT_NE(module.FirmwareVersion, 0u);

    // Rate index 20: 19531.25 Hz (divisor 4, no 384 divider); all four
    // channels on the 1 V range except channel 4 on 10 V; DC coupling.
    const double rate = 20e6 / (256.0 * 4);
    for (int c = 0; c < 4; ++c) {
        module.ChannelEnabled[c] = 1;
        module.RangeCode[c] = c == 3 ? 4 : 0;
    }
    module.AdcRateIndex = 20;
    module.AdcDivisor = 4;
    module.Divider384 = 0;
    module.DcCoupling = 1;
    module.OwnZero = 0;
    module.Option60 = 0;
    ASSERT_EQ(ZEB44_SetConfig(&module), ZEB44_OK);

    const std::uint32_t samples = 1 << 13;  // 0.42 s of signal
    const std::uint32_t frameWords = samples * 4;
    const std::uint32_t block = static_cast<std::uint32_t>(rate * 0.1 * 4);
    std::vector<std::uint32_t> words(frameWords);
    ASSERT_EQ(ZEB44_StopADC(&module), ZEB44_OK);
    ASSERT_EQ(ZEB44_ClearBuffer(&module, 1), ZEB44_OK);
    ASSERT_EQ(ZEB44_StartADC(&module, 0), ZEB44_OK);
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t received = 0; received < frameWords;) {
        const std::int32_t want = static_cast<std::int32_t>(std::min(block, frameWords - received));
        ASSERT_EQ(ZEB44_Recv(&module, words.data() + received, nullptr, want, 5000), want);
        received += static_cast<std::uint32_t>(want);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Paced at the ADC rate (time scale 4): not faster than real time allows.
    EXPECT_GE(seconds, samples / rate / 4.0 * 0.9);

    std::vector<double> volts(frameWords);
    std::uint8_t overload[4] = {};
    ASSERT_EQ(ZEB44_ProcessData(&module, words.data(), volts.data(), static_cast<std::int32_t>(frameWords), 1, 1, overload),
              ZEB44_OK);
    auto stats = [&](int k, double& mean, double& rms) {
        mean = 0;
        for (std::uint32_t i = 0; i < samples; ++i) mean += volts[k * samples + i];
        mean /= samples;
        rms = 0;
        for (std::uint32_t i = 0; i < samples; ++i) rms += std::pow(volts[k * samples + i] - mean, 2);
        rms = std::sqrt(rms / samples);
    };
    double mean = 0, rms = 0;
    stats(0, mean, rms);  // DC 1.25 V: beyond the 1 V range, clipped
    EXPECT_NEAR(mean, 1.0, 1e-3);
    EXPECT_NE(overload[0], 0);
    stats(1, mean, rms);  // 1 kHz sine, 0.5 V peak
    EXPECT_NEAR(rms, 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_EQ(overload[1], 0);
    int crossings = 0;
    for (std::uint32_t i = 1; i < samples; ++i) crossings += (volts[samples + i - 1] < 0) != (volts[samples + i] < 0);
    EXPECT_NEAR(crossings / (samples / rate) / 2.0, 1000.0, 10.0);
    stats(2, mean, rms);  // small noisy sine
    EXPECT_NEAR(rms, std::sqrt(0.02 * 0.02 / 2 + 0.002 * 0.002), 0.003);
    stats(3, mean, rms);  // 14 V peak on the 10 V range
    EXPECT_NE(overload[3], 0);

    EXPECT_EQ(ZEB44_StopADC(&module), ZEB44_OK);
    EXPECT_EQ(ZEB44_ClearBuffer(&module, 1), ZEB44_OK);
    EXPECT_EQ(ZEB44_Close(&module), ZEB44_OK);
}

}  // namespace
