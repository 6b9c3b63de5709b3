// A served module against zebsim: frames only after the mark, never of a setup
// changed before the wait, a lost module marked and its waits ended, a module halted
// by a failure no retry mends until its setup changes, a prompt stop, null and limits
// applied to the running measurement;
// and the metrics text and JSON of a module's state.
#include "serve/Metrics.h"
#include "serve/ServedModule.h"
#include "support/ZebsimProcess.h"

#include "instrument/Zeb44Tables.h"
#include "zebapi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

namespace {

constexpr std::uint32_t Loopback = 0x7F000001;

bool Open(const std::string& crate, int slot, ModuleRecord& module, serve::TOpenedInfo& info, std::string& error) {
    char serial[ZEB_SERIAL_SIZE] = {};
    std::strncpy(serial, crate.c_str(), sizeof serial - 1);
    module = ModuleRecord{};
    ZEB44_Init(&module);
    if (ZEB44_Open(&module, Loopback, ZEB_DEFAULT_PORT, serial, static_cast<std::uint16_t>(slot)) != 0) {
        if (ZEB44_IsOpened(&module) == 0) ZEB44_Close(&module);
        error = "no module";
        return false;
    }
    info.CrateTypeCode = 30;
    info.ModuleName = module.Name;
    info.Serial = module.Serial;
    return true;
}

void Close(ModuleRecord& module) {
    if (ZEB44_IsOpened(&module) == 0) ZEB44_Close(&module);
}

// Channel 1 DC 1.25 V, channel 2 DC -0.7 V, channel 3 a 1 kHz sine of 0.5 V peak,
// channel 4 beyond every range.
const std::string Scenario =
    R"({"crates":[{"serial":"A","type":30,"modules":[{"slot":1,"serial":"440001","own_noise_rms":0,)"
    R"("channels":[{"dc":1.25},{"dc":-0.7},{"amplitude":0.5,"frequency":1000},{"dc":2.0,"amplitude":14.0,"frequency":50}]}]}]})";

serve::TServedSetup InitialSetup() {
    serve::TServedSetup setup;
    setup.Parameters.AdcRateIndex = 18;  // 15625 Hz
    setup.Parameters.ConnectionMode = 0;
    setup.Parameters.ChannelEnabled = {true, true, true, true};
    setup.Parameters.RangeIndex = {0, 0, 0, 0};
    setup.Settings.RangeIndex = {0, 0, 0, 0};
    return setup;
}

run::TDisplayPatterns Patterns() {
    run::TDisplayPatterns patterns;
    for (int r = 0; r < instrument::RangeCount; ++r) {
        patterns.Dc[r] = "0.00";
        patterns.Ac[r] = "0.00";
        patterns.Fr[r] = "0.00000";
    }
    return patterns;
}

class ServedModule : public testing::Test {
protected:
    void SetUp() override {
        zebtest::ZebsimProcess::Options options;
        options.scenarioJson = Scenario;
        options.timeScale = 20;
        server_ = std::make_unique<zebtest::ZebsimProcess>(options);
        server_->exportPort();
        module_ = std::make_unique<serve::TServedModule>("A", 1, InitialSetup(), Patterns(), Open, Close, changes_);
        module_->Start();
    }

    serve::TChangeSignal changes_;
    std::unique_ptr<zebtest::ZebsimProcess> server_;
    std::unique_ptr<serve::TServedModule> module_;
};

TEST_F(ServedModule, FramesComeAfterTheMarkAndNeverOfAnOlderSetup) {
    serve::TServedFrame frame;
    ASSERT_EQ(module_->WaitFrame(module_->FrameMark(), frame), serve::TWaitEnd::Measured);
    EXPECT_NEAR(frame.Reading.Channels[0].Volts, 1.25, 2e-3);
    EXPECT_NEAR(frame.Reading.Channels[1].Volts, -0.7, 2e-3);
    EXPECT_TRUE(frame.Reading.Channels[3].Overload);
    EXPECT_EQ(frame.Displays[0].Value, "1250.00");

    const std::uint64_t mark = module_->FrameMark();
    serve::TServedFrame next;
    ASSERT_EQ(module_->WaitFrame(mark, next), serve::TWaitEnd::Measured);
    EXPECT_GT(next.Started, mark);
    EXPECT_GT(next.Count, frame.Count);

    // Channel 3 to AC: the next frame given is one of the new run.
    serve::TServedSetup changed = module_->Setup();
    changed.Settings.ChannelMode[2] = computation::TChannelMode::Ac;
    module_->ChangeSetup(changed);
    ASSERT_EQ(module_->WaitFrame(module_->FrameMark(), next), serve::TWaitEnd::Measured);
    EXPECT_EQ(next.Settings.ChannelMode[2], computation::TChannelMode::Ac);
    EXPECT_NEAR(next.Reading.Channels[2].Volts, 0.5 / std::sqrt(2.0), 2e-3);
    EXPECT_NEAR(next.Reading.Channels[2].Hertz, 1000.0, 0.5);
    EXPECT_EQ(module_->Snapshot().Link, serve::TLink::Measuring);
}

// Null and limits change without a new run: the next frames are of the same run,
// shown after the null and judged, and the settings in force show the offset taken.
TEST_F(ServedModule, BenchSettingsApplyToTheRunningMeasurement) {
    serve::TServedFrame frame;
    ASSERT_EQ(module_->WaitFrame(module_->FrameMark(), frame), serve::TWaitEnd::Measured);
    serve::TServedSetup changed = module_->Setup();
    changed.Bench[0].LimitsOn = true;
    changed.Bench[0].Lower = 1.2;
    changed.Bench[0].Upper = 1.3;
    changed.Bench[1].NullMode = readings::TNullMode::NextReading;
    changed.Bench[3].LimitsOn = true;
    module_->ChangeSetup(changed);
    serve::TServedFrame next;
    for (int k = 0; k < 2; ++k) ASSERT_EQ(module_->WaitFrame(module_->FrameMark(), next), serve::TWaitEnd::Measured);
    EXPECT_EQ(next.Generation, frame.Generation);
    EXPECT_EQ(next.Columns.Pass, (std::array<bool, 4>{true, false, false, true}));
    EXPECT_EQ(next.Reading.Channels[0].Verdict, readings::TVerdict::Pass);
    EXPECT_EQ(next.Reading.Channels[3].Verdict, readings::TVerdict::FailOverload);
    EXPECT_NEAR(next.Reading.Channels[0].Volts, 1.25, 2e-3);
    EXPECT_NEAR(next.Reading.Channels[1].Volts, 0.0, 1e-4);
    EXPECT_TRUE(next.Displays[1].Value == "0.00" || next.Displays[1].Value == "-0.00") << next.Displays[1].Value;

    const serve::TModuleSnapshot snapshot = module_->Snapshot();
    EXPECT_EQ(snapshot.Bench[1].NullMode, readings::TNullMode::Volts);
    EXPECT_NEAR(snapshot.Bench[1].NullVolts, -0.7, 2e-3);
    EXPECT_EQ(module_->Setup().Bench[1], snapshot.Bench[1]);
    EXPECT_GE(snapshot.Stats[0].Count, 2u);
    EXPECT_EQ(snapshot.Stats[0].Passed, snapshot.Stats[0].Count);
    EXPECT_EQ(snapshot.Stats[3].FailedOverload, snapshot.Stats[3].Count);
}

TEST_F(ServedModule, FramesFromOneStreamComeAfterTheMarkToo) {
    serve::TServedSetup stream = module_->Setup();
    stream.FrameStep = run::TFrameStep::Stream;
    module_->ChangeSetup(stream);
    serve::TServedFrame frame;
    ASSERT_EQ(module_->WaitFrame(module_->FrameMark(), frame), serve::TWaitEnd::Measured);
    for (int k = 0; k < 3; ++k) {
        const std::uint64_t mark = module_->FrameMark();
        serve::TServedFrame next;
        ASSERT_EQ(module_->WaitFrame(mark, next), serve::TWaitEnd::Measured);
        EXPECT_GT(next.Started, mark);
        EXPECT_GT(next.Count, frame.Count);
        EXPECT_NEAR(next.Reading.Channels[0].Volts, 1.25, 2e-3);
        EXPECT_NEAR(next.Reading.Channels[1].Volts, -0.7, 2e-3);
        frame = next;
    }
}

TEST_F(ServedModule, ALostModuleIsMarkedAndItsWaitsEnd) {
    serve::TServedFrame frame;
    ASSERT_EQ(module_->WaitFrame(0, frame), serve::TWaitEnd::Measured);
    server_->kill();
    // Its run fails at the next receive (a frame in progress may still end); every
    // wait ends then.
    serve::TWaitEnd end = serve::TWaitEnd::Measured;
    for (int k = 0; k < 100 && end == serve::TWaitEnd::Measured; ++k) end = module_->WaitFrame(module_->FrameMark(), frame);
    EXPECT_EQ(end, serve::TWaitEnd::Lost);
    const serve::TModuleSnapshot snapshot = module_->Snapshot();
    EXPECT_EQ(snapshot.Link, serve::TLink::Lost);
    EXPECT_FALSE(snapshot.Message.empty());
    EXPECT_EQ(module_->WaitFrame(module_->FrameMark(), frame), serve::TWaitEnd::Lost);
}

TEST_F(ServedModule, AFailureARetryCannotMendHaltsItUntilTheSetupChanges) {
    serve::TServedFrame frame;
    ASSERT_EQ(module_->WaitFrame(0, frame), serve::TWaitEnd::Measured);
    serve::TServedSetup none = module_->Setup();
    none.Parameters.ChannelEnabled = {false, false, false, false};
    module_->ChangeSetup(none);
    EXPECT_EQ(module_->WaitFrame(module_->FrameMark(), frame), serve::TWaitEnd::Lost);
    serve::TModuleSnapshot snapshot = module_->Snapshot();
    EXPECT_EQ(snapshot.Link, serve::TLink::Halted);
    EXPECT_FALSE(snapshot.Message.empty());
    // Halted, not retried: the link stays as it is over more than a retry period.
    std::this_thread::sleep_for(serve::TServedModule::RetryPeriod + std::chrono::milliseconds(500));
    EXPECT_EQ(module_->Snapshot().Link, serve::TLink::Halted);

    module_->ChangeSetup(InitialSetup());
    ASSERT_EQ(module_->WaitFrame(module_->FrameMark(), frame), serve::TWaitEnd::Measured);
    EXPECT_NEAR(frame.Reading.Channels[0].Volts, 1.25, 2e-3);
    EXPECT_EQ(module_->Snapshot().Link, serve::TLink::Measuring);
}

TEST_F(ServedModule, StopEndsTheRunAndWaits) {
    serve::TServedFrame frame;
    ASSERT_EQ(module_->WaitFrame(0, frame), serve::TWaitEnd::Measured);
    std::thread waiter([&] { EXPECT_EQ(module_->WaitFrame(module_->FrameMark() + 1000000, frame), serve::TWaitEnd::Lost); });
    module_->Stop();
    waiter.join();
    module_->Stop();  // again: nothing more
}

TEST(ServedModuleText, MetricsAndJsonOfASnapshot) {
    serve::TModuleSnapshot snapshot;
    snapshot.Crate = "A";
    snapshot.Slot = 1;
    snapshot.Serial = "440001";
    snapshot.Link = serve::TLink::Measuring;
    snapshot.Frames = 3;
    serve::TServedFrame frame;
    frame.Count = 3;
    frame.Columns.Enabled = {true, false, true, false};
    frame.Columns.Hertz = {false, false, true, false};
    frame.Settings.ChannelMode = {computation::TChannelMode::Dc, computation::TChannelMode::Dc,
                                  computation::TChannelMode::Ac, computation::TChannelMode::Dc};
    frame.Reading.Frame = 3;
    frame.Reading.Time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1700000000123));
    frame.Reading.Channels[0] = {true, 1.25, 0.0, false};
    frame.Reading.Channels[2] = {true, 0.5, 1000.0, true};
    frame.Displays[0] = {run::TChannelDisplay::TKind::Dc, false, "1250.00", "--------"};
    frame.Displays[2] = {run::TChannelDisplay::TKind::AcWithFrequency, true, "500.00", "1.00000"};
    snapshot.Last = frame;

    const std::string metrics = serve::MetricsText({snapshot});
    EXPECT_NE(metrics.find("voltcheck_module_connected{crate=\"A\",slot=\"1\",module=\"440001\"} 1\n"), std::string::npos)
        << metrics;
    EXPECT_NE(metrics.find("voltcheck_module_frames_total{crate=\"A\",slot=\"1\",module=\"440001\"} 3\n"),
              std::string::npos);
    EXPECT_NE(metrics.find("voltcheck_channel_volts{crate=\"A\",slot=\"1\",module=\"440001\",channel=\"1\",mode=\"dc\"} 1.25\n"),
              std::string::npos);
    EXPECT_NE(metrics.find("voltcheck_channel_hertz{crate=\"A\",slot=\"1\",module=\"440001\",channel=\"3\",mode=\"ac\"} 1000\n"),
              std::string::npos);
    EXPECT_NE(metrics.find("voltcheck_channel_overload{crate=\"A\",slot=\"1\",module=\"440001\",channel=\"3\",mode=\"ac\"} 1\n"),
              std::string::npos);
    EXPECT_EQ(metrics.find("channel=\"2\""), std::string::npos);

    EXPECT_EQ(serve::ModuleJson(snapshot),
              "{\"crate\": \"A\", \"slot\": 1, \"module\": \"440001\", \"connected\": true, \"state\": \"measuring\", "
              "\"message\": \"\", "
              "\"time\": \"2023-11-14T22:13:20.123Z\", \"frame\": 3, \"channels\": {\"1\": {\"volts\": 1.25, "
              "\"overload\": false}, \"3\": {\"volts\": 0.5, \"hertz\": 1000, \"overload\": true}}, \"display\": "
              "{\"1\": {\"kind\": \"dc\", \"value\": \"1250.00\", \"frequency\": \"--------\", \"overload\": false}, "
              "\"3\": {\"kind\": \"ac\", \"value\": \"500.00\", \"frequency\": \"1.00000\", \"overload\": true}}}");

    snapshot.Link = serve::TLink::Lost;
    snapshot.Message = "line\n\"quoted\"";
    snapshot.Last.reset();
    EXPECT_EQ(serve::ModuleJson(snapshot),
              "{\"crate\": \"A\", \"slot\": 1, \"module\": \"440001\", \"connected\": false, \"state\": \"lost\", "
              "\"message\": "
              "\"line\\n\\\"quoted\\\"\", \"time\": null, \"frame\": null, \"channels\": {}, \"display\": {}}");
}

}  // namespace
