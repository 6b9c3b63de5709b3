// zeb44api against a running zebsim: opening and identifying modules, the
// configuration, and the stream the module delivers for it.
#include "NoServer.h"
#include "ZebTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <thread>

namespace {

using namespace zebtest;

constexpr double kTimeScale = 10.0;

std::string scenario() {
    return R"({"crates":[{"serial":"T1","type":21,"modules":[
      {"slot":1,"name":"ZEB44","serial":"440001","firmware":"1.2.3.4","channels":[
         {"dc":0.4},
         {"amplitude":0.5,"frequency":250},
         {"dc":0.02,"noise_rms":0.001},
         {"dc":2.0,"amplitude":0.1,"frequency":100}]},
      {"slot":2,"id":"0x0B0B"},
      {"slot":3,"serial":"440003","answers":false},
      {"slot":16,"name":"ZEB44-M","serial":"440016","firmware":4278190081}]}]})";
}

class ModuleApi : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = startServer(scenario(), kTimeScale).release(); }
    static void TearDownTestSuite() {
        // A clean exit: no crash, and under the sanitizers no leak or error.
        if (const int code = server_->stop(); code != 0) ADD_FAILURE() << "zebsim exit code " << code;
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { server_->exportPort(); }

    // Opens slot 1, configures, starts and receives `samples` instants.
    std::vector<double> acquire(const ModuleSetup& setup, int samples, std::uint8_t overload[4]) {
        EXPECT_EQ(openTestModule(rec_.get()), ZEB44_OK);
        writeConfig(rec_.m, setup);
        EXPECT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
        EXPECT_EQ(ZEB44_StopADC(rec_.get()), ZEB44_OK);
        EXPECT_EQ(ZEB44_ClearBuffer(rec_.get(), 1), ZEB44_OK);
        EXPECT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
        const int count = samples * activeChannels(setup.enabledMask);
        words_.assign(static_cast<std::size_t>(count), 0);
        EXPECT_EQ(ZEB44_Recv(rec_.get(), words_.data(), nullptr, count, 5000), count);
        std::vector<double> volts(static_cast<std::size_t>(count));
        EXPECT_EQ(ZEB44_ProcessData(rec_.get(), words_.data(), volts.data(), count, 1, 1, overload), ZEB44_OK);
        return volts;
    }
    static double mean(const std::vector<double>& v, int block, int n) {
        return std::accumulate(v.begin() + block * n, v.begin() + (block + 1) * n, 0.0) / n;
    }
    static double maxAbs(const std::vector<double>& v, int block, int n) {
        double m = 0;
        for (int i = block * n; i < (block + 1) * n; ++i) m = std::max(m, std::fabs(v[i]));
        return m;
    }

    static ZebsimProcess* server_;
    Record rec_;
    std::vector<std::uint32_t> words_;
};
ZebsimProcess* ModuleApi::server_ = nullptr;

TEST_F(ModuleApi, OpenIdentifiesTheModuleAndCloseReleasesIt) {
    EXPECT_EQ(ZEB44_IsOpened(rec_.get()), ZEB44_ERR_NOT_OPEN);
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    EXPECT_EQ(ZEB44_IsOpened(rec_.get()), ZEB44_OK);
    EXPECT_STREQ(rec_->Name, "ZEB44");
    EXPECT_STREQ(rec_->Serial, "440001");
    EXPECT_EQ(rec_->FirmwareVersion, 0x01020304u);
    EXPECT_NE(rec_->Session, nullptr);
    EXPECT_EQ(ZEB44_Close(rec_.get()), ZEB44_OK);
    EXPECT_EQ(ZEB44_IsOpened(rec_.get()), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(rec_->Session, nullptr);
    EXPECT_EQ(ZEB44_Close(rec_.get()), ZEB44_ERR_NOT_OPEN);

    ASSERT_EQ(openTestModule(rec_.get(), 16), ZEB44_OK);  // slot 16, a firmware given as a number
    EXPECT_STREQ(rec_->Name, "ZEB44-M");
    EXPECT_EQ(rec_->FirmwareVersion, 4278190081u);
}

TEST_F(ModuleApi, OpenRefusesWhatIsNotAnAnsweringZeb44) {
    struct Case {
        const char* crate;
        int slot;
        std::int32_t status;
    };
    const Case cases[] = {
        {"T1", 2, ZEB44_ERR_NO_MODULE},   // another module id
        {"T1", 3, ZEB44_ERR_NO_MODULE},   // does not answer
        {"T1", 4, ZEB44_ERR_NO_MODULE},   // empty slot
        {"T2", 1, ZEB44_ERR_NO_MODULE},   // no such crate
        {"T1", 0, ZEB44_ERR_ARGUMENT},
        {"T1", 17, ZEB44_ERR_ARGUMENT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(openTestModule(rec_.get(), static_cast<std::uint16_t>(c.slot), c.crate), c.status)
            << c.crate << " slot " << c.slot;
        EXPECT_EQ(ZEB44_IsOpened(rec_.get()), ZEB44_ERR_NOT_OPEN);
        EXPECT_EQ(rec_->Name[0], '\0');
    }
    EXPECT_EQ(ZEB44_Open(rec_.get(), kLoopback, 11111, nullptr, 1), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_Open(nullptr, kLoopback, 11111, "T1", 1), ZEB44_ERR_ARGUMENT);
}

TEST_F(ModuleApi, RecordsThatNeverSawInitAreAccepted) {
    for (int fill : {0x00, 0xA5}) {
        auto* raw = static_cast<ModuleRecord*>(std::malloc(sizeof(ModuleRecord)));
        std::memset(raw, fill, sizeof *raw);
        EXPECT_EQ(openTestModule(raw), ZEB44_OK) << fill;
        EXPECT_EQ(ZEB44_IsOpened(raw), ZEB44_OK);
        EXPECT_EQ(ZEB44_Close(raw), ZEB44_OK);
        std::free(raw);
    }
}

TEST_F(ModuleApi, InitClosesAndKeepsTheWrittenFields) {
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    writeConfig(rec_.m, {0x5, {0, 1, 2, 3}, 7, Coupling::Ac});
    const ModuleRecord before = rec_.m;
    EXPECT_EQ(ZEB44_Init(rec_.get()), ZEB44_OK);
    EXPECT_EQ(ZEB44_IsOpened(rec_.get()), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(std::memcmp(&before.AdcDivisor, &rec_->AdcDivisor, 21), 0);  // offsets 40..60
    EXPECT_EQ(rec_->Serial[0], '\0');
    EXPECT_EQ(rec_->FirmwareVersion, 0u);
    EXPECT_EQ(ZEB44_Init(nullptr), ZEB44_ERR_ARGUMENT);
}

TEST_F(ModuleApi, SetConfigChecksTheFieldsBeforeSending) {
    std::uint8_t overload[4];
    EXPECT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_ERR_NOT_OPEN);
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    writeConfig(rec_.m, {});
    rec_->AdcDivisor = 14;  // not the divisor of rate index 0
    EXPECT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_ERR_ARGUMENT);
    writeConfig(rec_.m, {});
    rec_->RangeCode[3] = 6;
    EXPECT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_ERR_ARGUMENT);
    writeConfig(rec_.m, {});
    rec_->AdcRateIndex = 25;
    EXPECT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_ERR_ARGUMENT);
    // Nothing was accepted yet, so there is nothing to convert with.
    const std::uint32_t w = word(0, 0);
    double v = 0;
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), &w, &v, 1, 1, 1, overload), ZEB44_ERR_NOT_CONFIGURED);
    writeConfig(rec_.m, {});
    rec_->ChannelEnabled[0] = 7;  // any non-zero byte means enabled
    EXPECT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
}

TEST_F(ModuleApi, ControlCallsCheckModesAndOpenState) {
    std::uint32_t buffer[4];
    EXPECT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_StopADC(rec_.get()), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_ClearBuffer(rec_.get(), 1), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_Recv(rec_.get(), buffer, nullptr, 4, 10), ZEB44_ERR_NOT_OPEN);
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    EXPECT_EQ(ZEB44_StartADC(rec_.get(), 1), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_ClearBuffer(rec_.get(), 2), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_Recv(rec_.get(), buffer, buffer, 4, 10), ZEB44_ERR_ARGUMENT);  // time marks
    EXPECT_EQ(ZEB44_Recv(rec_.get(), buffer, nullptr, -1, 10), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_Recv(rec_.get(), nullptr, nullptr, 4, 10), ZEB44_ERR_ARGUMENT);
    EXPECT_EQ(ZEB44_Recv(rec_.get(), buffer, nullptr, 0, 10), 0);
    // Not started: nothing arrives, and the wait is the timeout.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ZEB44_Recv(rec_.get(), buffer, nullptr, 4, 50), 0);
    EXPECT_GE(msSince(start), 45.0);
    EXPECT_EQ(ZEB44_StopADC(rec_.get()), ZEB44_OK);
    EXPECT_EQ(ZEB44_ClearBuffer(rec_.get(), 0), ZEB44_OK);
}

TEST_F(ModuleApi, DcCouplingDeliversTheInputsScaledToTheirRanges) {
    std::uint8_t overload[4];
    const int n = 2000;
    // 1 V on channels 1 and 4 (channel 4 carries 2 V: overload), 1 V on 2, 0.1 V on 3.
    auto v = acquire({0xF, {0, 0, 2, 0}, 0, Coupling::Dc}, n, overload);
    EXPECT_NEAR(mean(v, 0, n), 0.4, 1e-6);
    EXPECT_NEAR(maxAbs(v, 1, n), 0.5, 0.01);
    EXPECT_NEAR(mean(v, 2, n), 0.02, 2e-4);
    EXPECT_NEAR(maxAbs(v, 3, n), 1.0, 1e-9);  // clipped at full scale
    EXPECT_EQ(overload[0], 0);
    EXPECT_EQ(overload[1], 0);
    EXPECT_EQ(overload[2], 0);
    EXPECT_NE(overload[3], 0);
    ZEB44_Close(rec_.get());
    // On the 3 V range channel 4 fits.
    v = acquire({0x8, {4, 4, 4, 5}, 0, Coupling::Dc}, n, overload);
    EXPECT_NEAR(mean(v, 0, n), 2.0, 0.01);
    EXPECT_EQ(overload[3], 0);
}

TEST_F(ModuleApi, AcCouplingRemovesTheDcPart) {
    std::uint8_t overload[4];
    const int n = 3472;  // whole periods of the 100 Hz sine at rate index 0 (one second)
    const auto v = acquire({0x9, {0, 4, 4, 0}, 0, Coupling::Ac}, n, overload);
    EXPECT_NEAR(mean(v, 0, n), 0.0, 1e-6);      // 0.4 V DC only
    EXPECT_NEAR(mean(v, 1, n), 0.0, 1e-3);      // 2 V DC + 0.1 V sine
    EXPECT_NEAR(maxAbs(v, 1, n), 0.1, 2e-3);
    EXPECT_EQ(overload[3], 0);  // 2 V DC on the 1 V range no longer overloads
}

TEST_F(ModuleApi, OwnZeroDeliversOnlyTheModulesSmallNoise) {
    std::uint8_t overload[4];
    const int n = 1000;
    const auto v = acquire({0xF, {3, 3, 3, 3}, 0, Coupling::OwnZero}, n, overload);
    for (int c = 0; c < 4; ++c) {
        EXPECT_LT(maxAbs(v, c, n), 2e-5) << c;
        EXPECT_GT(maxAbs(v, c, n), 0.0) << c;
        EXPECT_EQ(overload[c], 0);
    }
}

TEST_F(ModuleApi, DisabledChannelsAreNotSent) {
    std::uint8_t overload[4];
    const int n = 100;
    const auto v = acquire({0xA, {4, 0, 4, 4}, 0, Coupling::Dc}, n, overload);  // channels 2 and 4
    ASSERT_EQ(words_.size(), 2u * n);
    for (std::size_t i = 0; i < words_.size(); ++i) ASSERT_EQ(wordChannel(words_[i]), i % 2 == 0 ? 1 : 3) << i;
    EXPECT_NEAR(mean(v, 1, n), 2.0, 0.02);  // channel 4 on the 10 V range
}

TEST_F(ModuleApi, SamplesFollowTheConfiguredRate) {
    // A 250 Hz sine sampled at the configured rate crosses zero 500 times per
    // second of samples, whatever the rate.
    for (int rateIndex : {0, 12, 24}) {
        std::uint8_t overload[4];
        const double f = rateRow(rateIndex).frequency;
        const int n = static_cast<int>(f * 0.2);
        const auto v = acquire({0x2, {4, 0, 4, 4}, rateIndex, Coupling::Dc}, n, overload);
        int crossings = 0;
        for (int i = 1; i < n; ++i) crossings += (v[i - 1] < 0) != (v[i] < 0);
        EXPECT_NEAR(crossings, 100, 2) << rateIndex;
        ZEB44_Close(rec_.get());
    }
}

TEST_F(ModuleApi, StreamIsPacedNoFasterThanTheAdcRate) {
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    writeConfig(rec_.m, {0xF, {4, 4, 4, 4}, 0, Coupling::Dc});
    ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
    ASSERT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
    const auto start = std::chrono::steady_clock::now();
    const double f = rateRow(0).frequency * kTimeScale;
    const int count = static_cast<int>(f * 0.3) * 4;  // 0.3 s of samples
    std::vector<std::uint32_t> w(static_cast<std::size_t>(count));
    ASSERT_EQ(ZEB44_Recv(rec_.get(), w.data(), nullptr, count, 5000), count);
    EXPECT_GE(msSince(start), 0.3 * 1000 * 0.9);
}

// A wait for more words than will come ends at its timeout with those that came, also
// when they are fewer than the link lets gather before it wakes.
TEST_F(ModuleApi, ARecvThatTimesOutReturnsTheWordsThatArrived) {
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    writeConfig(rec_.m, {0x1, {4, 4, 4, 4}, 0, Coupling::Dc});
    ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
    ASSERT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
    // Streaming: the wait ends at its timeout with what came meanwhile, every word whole.
    std::vector<std::uint32_t> w(10000000);
    const std::int32_t r = ZEB44_Recv(rec_.get(), w.data(), nullptr, static_cast<std::int32_t>(w.size()), 300);
    EXPECT_GT(r, 0);
    EXPECT_LT(r, static_cast<std::int32_t>(w.size()));
    std::vector<double> volts(static_cast<std::size_t>(std::max(r, 0)));
    std::uint8_t overload[ZEB44_CHANNELS] = {};
    EXPECT_EQ(ZEB44_ProcessData(rec_.get(), w.data(), volts.data(), r, 1, 1, overload), ZEB44_OK);
    // Stopped: the words converted before the stop, fewer than asked for, come at the timeout.
    ASSERT_EQ(ZEB44_StopADC(rec_.get()), ZEB44_OK);
    const std::int32_t rest = ZEB44_Recv(rec_.get(), w.data(), nullptr, static_cast<std::int32_t>(w.size()), 300);
    EXPECT_GE(rest, 0);
    EXPECT_LT(rest, static_cast<std::int32_t>(w.size()));
    EXPECT_EQ(ZEB44_Recv(rec_.get(), w.data(), nullptr, 64, 100), 0);  // nothing was left behind
}

TEST_F(ModuleApi, ClearBufferDiscardsAndStopKeepsConvertedWords) {
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    writeConfig(rec_.m, {0x1, {4, 4, 4, 4}, 0, Coupling::Dc});
    ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
    ASSERT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(ZEB44_StopADC(rec_.get()), ZEB44_OK);
    std::uint32_t w[64];
    EXPECT_EQ(ZEB44_Recv(rec_.get(), w, nullptr, 64, 1000), 64);  // words from before the stop
    ASSERT_EQ(ZEB44_ClearBuffer(rec_.get(), 1), ZEB44_OK);
    EXPECT_EQ(ZEB44_Recv(rec_.get(), w, nullptr, 64, 100), 0);  // nothing stale remains
}

TEST_F(ModuleApi, ReceivesInPiecesOfAnySizeAsOneUnbrokenStream) {
    // Three channels: a piece that is not a whole number of sample instants
    // ends inside one, so any lost or repeated word breaks the channel order.
    // Pieces from 1 word to several server messages split messages between
    // the destination and the words held for the next call.
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    writeConfig(rec_.m, {0x7, {4, 4, 4, 4}, 0, Coupling::Dc});
    ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
    ASSERT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
    std::vector<std::uint32_t> stream;
    for (int piece : {1, 2, 7, 5000, 1, 64, 40001, 13, 2, 9000, 1}) {
        const std::size_t at = stream.size();
        stream.resize(at + static_cast<std::size_t>(piece) + 1, 0xDEADBEEFu);
        ASSERT_EQ(ZEB44_Recv(rec_.get(), stream.data() + at, nullptr, piece, 5000), piece);
        ASSERT_EQ(stream.back(), 0xDEADBEEFu) << "wrote past count";
        stream.pop_back();
    }
    stream.resize(stream.size() - stream.size() % 3);
    for (std::size_t i = 0; i < stream.size(); ++i) ASSERT_EQ(wordChannel(stream[i]), static_cast<int>(i % 3)) << i;
    std::vector<double> v(stream.size());
    std::uint8_t overload[4];
    ASSERT_EQ(ZEB44_ProcessData(rec_.get(), stream.data(), v.data(), static_cast<std::int32_t>(stream.size()), 1, 1,
                                overload),
              ZEB44_OK);
    // Channel 2, a 0.5 V sine of 250 Hz, moves at most 2 pi 250 / rate x 0.5 V
    // per sample: no sample instant is missing or repeated in the middle either.
    const int n = static_cast<int>(stream.size() / 3);
    const double step = 2 * std::numbers::pi * 250 / rateRow(0).frequency * 0.5;
    int rising = 0;
    for (int i = 1; i < n; ++i) {
        ASSERT_LE(std::fabs(v[n + i] - v[n + i - 1]), step * 1.01) << i;
        rising += v[n + i] > v[n + i - 1];
    }
    EXPECT_GT(rising, n / 3);  // the sine was there
}

TEST_F(ModuleApi, ARecordOpenedOnOneThreadReceivesOnAnother) {
    std::thread([this] {
        ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
        writeConfig(rec_.m, {0x1, {0, 4, 4, 4}, 0, Coupling::Dc});
        ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
    }).join();
    std::thread([this] {
        ASSERT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
        std::uint32_t w[100];
        double v[100];
        std::uint8_t overload[4];
        ASSERT_EQ(ZEB44_Recv(rec_.get(), w, nullptr, 100, 5000), 100);
        ASSERT_EQ(ZEB44_ProcessData(rec_.get(), w, v, 100, 1, 1, overload), ZEB44_OK);
        EXPECT_NEAR(v[50], 0.4, 1e-6);
    }).join();
    EXPECT_EQ(ZEB44_Close(rec_.get()), ZEB44_OK);
}

TEST_F(ModuleApi, SeveralClientsAreServedAtOnce) {
    // Discovery probes every slot while another connection streams.
    ASSERT_EQ(openTestModule(rec_.get()), ZEB44_OK);
    writeConfig(rec_.m, {0xF, {4, 4, 4, 4}, 0, Coupling::Dc});
    ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
    ASSERT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
    for (int round = 0; round < 3; ++round) {
        Record probe;
        for (std::uint16_t slot : {1, 16}) {
            EXPECT_EQ(openTestModule(probe.get(), slot), ZEB44_OK) << slot;
            EXPECT_EQ(ZEB44_Close(probe.get()), ZEB44_OK);
        }
        std::uint32_t w[400];
        EXPECT_EQ(ZEB44_Recv(rec_.get(), w, nullptr, 400, 5000), 400);
    }
}

TEST(ModuleApiNoServer, OpenFailsAtOnceAndEveryLaterCallFails) {
    ::setenv("ZEB_SERVER_PORT", std::to_string(unusedPort()).c_str(), 1);
    Record rec;
    ZEB44_Init(rec.get());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(openTestModule(rec.get()), ZEB44_ERR_CONNECT);
    EXPECT_LT(msSince(start), 500.0);
    std::uint32_t w[4];
    double v[4];
    std::uint8_t overload[4] = {9, 9, 9, 9};
    EXPECT_EQ(ZEB44_IsOpened(rec.get()), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_SetConfig(rec.get()), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_StopADC(rec.get()), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_ClearBuffer(rec.get(), 1), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_StartADC(rec.get(), 0), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_Recv(rec.get(), w, nullptr, 4, 5000), ZEB44_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB44_ProcessData(rec.get(), w, v, 4, 1, 1, overload), ZEB44_ERR_NOT_CONFIGURED);
    EXPECT_EQ(overload[0], 0);
    EXPECT_EQ(ZEB44_Close(rec.get()), ZEB44_ERR_NOT_OPEN);
}

}  // namespace
