// Whole runs of TMeasurementRun against zebsim and the real client library:
// readings against the levels and sines of the scenario, the channel layout of
// a frame, the instrument tables against the module, and every failure of a
// step with its operator's message.
#include "RunZebsim.h"

#include "instrument/Zeb44Tables.h"
#include "run/RunMessages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

using computation::TChannelMode;
using run::TMeasurementRun;
using run::TStepResult;
using runtest::CodeStep;
using runtest::Quantised;
using runtest::TOpenModule;
using runtest::TRunSetup;
namespace messages = run::messages;

constexpr TChannelMode Dc = TChannelMode::Dc;
constexpr TChannelMode Ac = TChannelMode::Ac;

// Every run here: rate index 0 and N = 2048 samples per channel with both methods.
constexpr int Rate = 0;
constexpr std::uint32_t N = 2048;
const double TableF = instrument::AdcRates[Rate].Frequency;
const double ModuleF = runtest::ModuleFrequency(Rate, 1, 15);
const double SpectralTime = 0.5;               // 1024 / F < 0.5 <= 2048 / F
const double SumTime = (N + 0.5) / TableF;     // trunc(T x F) = 2048
// The sine of the scenario sits exactly on bin 100 of the frame.
constexpr int SineBin = 100;
const double SineHz = SineBin * ModuleF / N;

// Slots of crate "T1".
constexpr std::uint16_t NoisySlot = 7, ChannelsSlot = 8, FailSetConfigSlot = 9, FailStartSlot = 10,
                        FailStopSlot = 11, FailClearSlot = 12, StallSlot = 13, ShortBlockSlot = 14, DropSlot = 15,
                        CorruptSlot = 16;
// Per range slot (range index r in slot r + 1), fractions of the full scale.
constexpr double Level1 = 0.7, Level2 = -0.45, Level3 = 0.3, Sine3 = 0.5, Level4 = 1.5;
// The noisy slot: a level with Gaussian noise on the 1 V range.
constexpr double NoisyLevel = 0.25, NoiseRms = 2e-3;
// The channels slot: one level per channel on the 1 V range.
constexpr double ChannelLevels[4] = {0.11, -0.22, 0.33, -0.44};
// Words of one 100 ms receive block of one channel at rate 0.
constexpr std::uint32_t Block = 347;

std::string Num(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string Scenario() {
    std::string modules;
    for (int r = 0; r < instrument::RangeCount; ++r) {
        const double fs = instrument::InputRanges[r].Volts;
        modules += R"({"slot":)" + std::to_string(r + 1) + R"(,"serial":"R)" + std::to_string(r) +
                   R"(","channels":[{"dc":)" + Num(Level1 * fs) + R"(},{"dc":)" + Num(Level2 * fs) + R"(},{"dc":)" +
                   Num(Level3 * fs) + R"(,"amplitude":)" + Num(Sine3 * fs) + R"(,"frequency":)" + Num(SineHz) +
                   R"(,"phase_deg":30},{"dc":)" + Num(Level4 * fs) + "}]},";
    }
    modules += R"({"slot":7,"serial":"NZ","channels":[{"dc":)" + Num(NoisyLevel) + R"(,"noise_rms":)" +
               Num(NoiseRms) + "}]},";
    modules += R"({"slot":8,"serial":"CH","channels":[{"dc":)" + Num(ChannelLevels[0]) + R"(},{"dc":)" +
               Num(ChannelLevels[1]) + R"(},{"dc":)" + Num(ChannelLevels[2]) + R"(},{"dc":)" +
               Num(ChannelLevels[3]) + "}]},";
    const std::string dc = R"(,"channels":[{"dc":1}])";
    modules += R"({"slot":9,"serial":"F1","faults":{"fail":["SetConfig"]})" + dc + "},";
    modules += R"({"slot":10,"serial":"F2","faults":{"fail":["StartADC"]})" + dc + "},";
    modules += R"({"slot":11,"serial":"F3","faults":{"fail":["StopADC"]})" + dc + "},";
    modules += R"({"slot":12,"serial":"F4","faults":{"fail":["ClearBuffer"]})" + dc + "},";
    modules += R"({"slot":13,"serial":"F5","faults":{"stop_after_words":347})" + dc + "},";
    modules += R"({"slot":14,"serial":"F6","faults":{"short_block":{"after_words":173,"pause_ms":8000}})" + dc + "},";
    modules += R"({"slot":15,"serial":"F7","faults":{"drop_after_words":500})" + dc + "},";
    modules += R"({"slot":16,"serial":"F8","faults":{"corrupt_after_words":1000})" + dc + "}";
    return R"({"crates":[{"serial":"T1","type":10,"modules":[)" + modules + "]}]}";
}

TRunSetup RunSetup(const char* method, std::array<bool, 4> enabled, int range,
                std::array<TChannelMode, 4> mode = {Dc, Dc, Dc, Dc}, int connection = 0) {
    TRunSetup s;
    s.Enabled = enabled;
    s.Range = {range, range, range, range};
    s.RateIndex = Rate;
    s.ConnectionMode = connection;
    s.Method = method;
    s.MaxTime = std::string(method) == "fft" ? SpectralTime : SumTime;
    s.Mode = mode;
    return s;
}

// One zebsim for the whole suite; signal time runs 20 times faster than wall time.
class RunAgainstZebsim : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        zebtest::ZebsimProcess::Options o;
        o.scenarioJson = Scenario();
        o.timeScale = 20.0;
        server_ = new zebtest::ZebsimProcess(o);
    }
    static void TearDownTestSuite() {
        if (const int code = server_->stop(); code != 0) ADD_FAILURE() << "zebsim exit code " << code;
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { server_->exportPort(); }

    // Prepares a run on a slot and computes `frames` frames; the last frame's results stay.
    void Run(TOpenModule& module, TMeasurementRun& run, const TRunSetup& setup, int frames = 2) {
        ASSERT_EQ(module.Status(), ZEB44_OK);
        const TStepResult prepared = runtest::Prepare(run, setup);
        ASSERT_TRUE(prepared.Ok()) << prepared.Message;
        ASSERT_EQ(run.Geometry().SamplesPerChannel, N);
        for (int f = 0; f < frames; ++f) {
            const TStepResult frame = runtest::Frame(run);
            ASSERT_TRUE(frame.Ok()) << "frame " << f << ": " << frame.Message;
        }
    }
    void End(TMeasurementRun& run) {
        EXPECT_TRUE(run.StopModule().Ok());
        run.Release();
    }

    static zebtest::ZebsimProcess* server_;
    std::atomic<bool> stop_{false};
};
zebtest::ZebsimProcess* RunAgainstZebsim::server_ = nullptr;

// Without noise every sample of a level is the same code: the reading is that code's volts
// to far better than one code step (an eighth of it), with either method. Channel 3 adds a
// sine whose whole periods average out; each of its samples is rounded by at most half a
// step, and so is their weighted mean.
TEST_F(RunAgainstZebsim, DcLevelsOnEveryRange) {
    double worstSteps[2] = {0.0, 0.0};  // constant levels, level under the sine
    for (int r = 0; r < instrument::RangeCount; ++r) {
        const double fs = instrument::InputRanges[r].Volts;
        const double tolerance[4] = {CodeStep(fs) / 8, CodeStep(fs) / 8, CodeStep(fs) / 2, CodeStep(fs) / 8};
        for (const char* method : {"sum", "fft"}) {
            SCOPED_TRACE(std::string(method) + ", range " + std::to_string(r));
            TOpenModule module(static_cast<std::uint16_t>(r + 1));
            TMeasurementRun run(module.Record(), stop_);
            Run(module, run, RunSetup(method, {true, true, true, true}, r));
            const auto& v = run.Results();
            const double expected[4] = {Quantised(Level1 * fs, fs), Quantised(Level2 * fs, fs),
                                        Quantised(Level3 * fs, fs), fs};  // channel 4 clipped to full scale
            for (int c = 0; c < 4; ++c) {
                EXPECT_NEAR(v[c].DcValue, expected[c], tolerance[c]) << "channel " << c + 1;
                EXPECT_EQ(v[c].AcValue, 0.0);
                EXPECT_EQ(v[c].Frequency, 0.0);
                worstSteps[c == 2] =
                    std::max(worstSteps[c == 2], std::fabs(v[c].DcValue - expected[c]) / CodeStep(fs));
            }
            // Channel 4 (1.5 x full scale) is overloaded, the others not.
            EXPECT_EQ(run.OverloadFlags(), (std::array<std::uint8_t, 4>{0, 0, 0, 1}));
            End(run);
        }
    }
    std::cout << "[ figures  ] DC levels: largest deviation " << worstSteps[0] << " code steps, under a sine "
              << worstSteps[1] << "\n";
}

TEST_F(RunAgainstZebsim, AcCouplingRemovesTheDcPart) {
    constexpr int r = 2;  // 1 V
    const double fs = instrument::InputRanges[r].Volts;
    const double step = CodeStep(fs);
    struct Case {
        const char* name;
        int connection;
        TChannelMode mode3;
        const char* method;
        double dc1, dc3, ac3;  // expected channel 1 DC, channel 3 DC or AC (RMS)
        std::uint8_t overload4;
    };
    const double rms = Quantised(Sine3 * fs, fs) / std::sqrt(2.0);
    const Case cases[] = {
        {"DC coupling, DC", 0, Dc, "sum", Level1 * fs, Level3 * fs, 0.0, 1},
        {"AC coupling, DC", 1, Dc, "sum", 0.0, 0.0, 0.0, 0},
        {"DC coupling, DC, spectral", 0, Dc, "fft", Level1 * fs, Level3 * fs, 0.0, 1},
        {"AC coupling, DC, spectral", 1, Dc, "fft", 0.0, 0.0, 0.0, 0},
        {"DC coupling, AC", 0, Ac, "sum", Level1 * fs, 0.0, rms, 1},
        {"AC coupling, AC", 1, Ac, "sum", 0.0, 0.0, rms, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TOpenModule module(r + 1);
        TMeasurementRun run(module.Record(), stop_);
        Run(module, run, RunSetup(c.method, {true, false, true, true}, r, {Dc, Dc, c.mode3, Dc}, c.connection));
        const auto& v = run.Results();
        EXPECT_NEAR(v[0].DcValue, Quantised(c.dc1, fs), step / 8);
        // The sine averages out over its whole periods; its codes are rounded each to half a step.
        EXPECT_NEAR(v[2].DcValue, Quantised(c.dc3, fs), step);
        EXPECT_NEAR(v[2].AcValue, c.ac3, step);
        EXPECT_EQ(run.OverloadFlags()[3], c.overload4);
        End(run);
    }
}

// A sine of amplitude A on bin 100: A / sqrt(2) RMS (A as amplitude) to within a code step
// (rounding each sample moves it by at most half a step), and the spectral frequency on
// bin 100 (the rounding's noise is some 10^-14 of the sine's power, so the band's centre
// moves by far less than 10^-6 bin).
TEST_F(RunAgainstZebsim, SineWithBothMethods) {
    struct Case {
        int range;
        const char* method;
        const char* amplitude;
        double factor;  // of A
        bool frequency;
    };
    const Case cases[] = {
        {2, "fft", "rms", 1 / std::sqrt(2.0), true}, {2, "fft", "amp", 1.0, true},
        {2, "sum", "rms", 1 / std::sqrt(2.0), false}, {2, "sum", "amp", 1.0, false},
        {0, "fft", "rms", 1 / std::sqrt(2.0), true}, {5, "sum", "rms", 1 / std::sqrt(2.0), false},
    };
    const double bin = TableF / N;
    double worstSteps = 0.0, worstBins = 0.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.amplitude + ", range " + std::to_string(c.range));
        const double fs = instrument::InputRanges[c.range].Volts;
        TOpenModule module(static_cast<std::uint16_t>(c.range + 1));
        TMeasurementRun run(module.Record(), stop_);
        TRunSetup setup = RunSetup(c.method, {false, false, true, false}, c.range, {Ac, Ac, Ac, Ac});
        setup.Amplitude = c.amplitude;
        Run(module, run, setup);
        const auto& v = run.Results()[2];
        const double expected = Sine3 * fs * c.factor;
        EXPECT_NEAR(v.AcValue, expected, CodeStep(fs));
        EXPECT_EQ(v.DcValue, 0.0);
        worstSteps = std::max(worstSteps, std::fabs(v.AcValue - expected) / CodeStep(fs));
        if (c.frequency) {
            EXPECT_NEAR(v.Frequency, SineBin * bin, 1e-6 * bin);
            worstBins = std::max(worstBins, std::fabs(v.Frequency - SineBin * bin) / bin);
        } else {
            EXPECT_EQ(v.Frequency, 0.0);
        }
        End(run);
    }
    std::cout << "[ figures  ] sine: largest AC deviation " << worstSteps << " code steps, frequency " << worstBins
              << " bins (" << SineBin * bin << " Hz)\n";
}

// Gaussian noise of s volts RMS: the weighted mean scatters by s x sqrt(sum w^2) / sum w
// = s sqrt(W2 / N) / a0, the weighted deviation by about s / sqrt(2 N a0^2 / W2). Five of each.
TEST_F(RunAgainstZebsim, NoisyLevel) {
    const double a0 = 0.3232153788877343, w2 = 0.23143355218026979;
    const double meanScatter = NoiseRms * std::sqrt(w2 / N) / a0;
    const double deviationScatter = NoiseRms / std::sqrt(2.0 * N * a0 * a0 / w2);
    for (const TChannelMode mode : {Dc, Ac}) {
        TOpenModule module(NoisySlot);
        TMeasurementRun run(module.Record(), stop_);
        Run(module, run, RunSetup("sum", {true, false, false, false}, 2, {mode, Dc, Dc, Dc}));
        const auto& v = run.Results()[0];
        if (mode == Dc) {
            EXPECT_NEAR(v.DcValue, NoisyLevel, 5 * meanScatter + CodeStep(1.0));
            std::cout << "[ figures  ] noisy level: " << (v.DcValue - NoisyLevel) / meanScatter << " sigma\n";
        } else {
            EXPECT_NEAR(v.AcValue, NoiseRms, 5 * deviationScatter);
            std::cout << "[ figures  ] noise RMS: " << (v.AcValue - NoiseRms) / deviationScatter << " sigma\n";
        }
        End(run);
    }
}

TEST_F(RunAgainstZebsim, EnabledChannelsLandInTheirResults) {
    const std::array<bool, 4> combinations[] = {
        {false, true, false, true}, {true, false, true, true}, {false, false, true, false},
        {true, true, true, true},   {true, true, false, false}, {false, true, true, true},
    };
    for (const auto& enabled : combinations) {
        for (const char* method : {"sum", "fft"}) {
            SCOPED_TRACE(std::string(method) + " " + std::to_string(enabled[0]) + std::to_string(enabled[1]) +
                         std::to_string(enabled[2]) + std::to_string(enabled[3]));
            TOpenModule module(ChannelsSlot);
            TMeasurementRun run(module.Record(), stop_);
            Run(module, run, RunSetup(method, enabled, 2));
            const run::TFrameGeometry& g = run.Geometry();
            std::int16_t k = 0;
            for (int c = 0; c < 4; ++c) {
                const auto& v = run.Results()[c];
                if (!enabled[c]) {
                    EXPECT_EQ(g.ChannelSlot[c], -1);
                    EXPECT_EQ(v.DcValue, 0.0) << "channel " << c + 1;
                    continue;
                }
                ASSERT_EQ(g.ChannelSlot[c], k);
                const double expected = Quantised(ChannelLevels[c], 1.0);
                EXPECT_NEAR(v.DcValue, expected, CodeStep(1.0) / 8) << "channel " << c + 1;
                // The whole block of slot k holds this channel's code.
                const double* block = run.Buffers().Data() + std::size_t(k) * N;
                EXPECT_EQ(std::count(block, block + N, expected), std::ptrdiff_t(N)) << "channel " << c + 1;
                ++k;
            }
            EXPECT_EQ(g.ActiveChannels, std::uint32_t(k));
            EXPECT_EQ(g.FrameWords, N * std::uint32_t(k));
            EXPECT_EQ(run.OverloadFlags(), (std::array<std::uint8_t, 4>{}));
            End(run);
        }
    }
}

TEST_F(RunAgainstZebsim, AnUntickedChannelIsLeftAtZero) {
    TOpenModule module(ChannelsSlot);
    TMeasurementRun run(module.Record(), stop_);
    Run(module, run, RunSetup("fft", {true, true, true, true}, 2), 0);
    for (const std::array<bool, 4>& ticked :
         {std::array<bool, 4>{true, false, true, false}, std::array<bool, 4>{false, false, false, true},
          std::array<bool, 4>{true, true, true, true}}) {
        ASSERT_TRUE(runtest::Frame(run, ticked).Ok());
        for (int c = 0; c < 4; ++c) {
            const double expected = ticked[c] ? Quantised(ChannelLevels[c], 1.0) : 0.0;
            EXPECT_NEAR(run.Results()[c].DcValue, expected, CodeStep(1.0) / 8) << "channel " << c + 1;
        }
    }
    End(run);
}

// The program's tables against the module: every rate row and range code is taken,
// a row's divisor or flag changed is refused, and each range converts full scale to its volts.
TEST_F(RunAgainstZebsim, TheInstrumentTablesAgreeWithTheModule) {
    TOpenModule module(ChannelsSlot);
    ASSERT_EQ(module.Status(), ZEB44_OK);
    ModuleRecord& m = module.Record();
    run::TModuleParameters p = runtest::Parameters(RunSetup("sum", {true, false, false, false}, 0));
    for (int rate = 0; rate < instrument::AdcRateCount; ++rate) {
        SCOPED_TRACE("rate index " + std::to_string(rate));
        p.AdcRateIndex = rate;
        run::WriteModuleConfiguration(m, p);
        EXPECT_EQ(ZEB44_SetConfig(&m), ZEB44_OK);
        const auto& row = instrument::AdcRates[rate];
        EXPECT_NEAR(row.Frequency, runtest::ModuleFrequency(rate, row.Divider384, row.Divisor), 1e-9 * row.Frequency);
        m.AdcDivisor = static_cast<std::uint8_t>(row.Divisor % 15 + 1);
        EXPECT_EQ(ZEB44_SetConfig(&m), ZEB44_ERR_ARGUMENT);
        m.AdcDivisor = row.Divisor;
        m.Divider384 = row.Divider384 ? 0 : 1;
        EXPECT_EQ(ZEB44_SetConfig(&m), ZEB44_ERR_ARGUMENT);
    }
    for (int r = 0; r < instrument::RangeCount; ++r) {
        SCOPED_TRACE("range index " + std::to_string(r));
        p = runtest::Parameters(RunSetup("sum", {false, true, false, false}, r));
        run::WriteModuleConfiguration(m, p);
        ASSERT_EQ(ZEB44_SetConfig(&m), ZEB44_OK);
        // Channel 2 at plus and minus full scale, and one code step.
        const std::uint32_t words[3] = {0xA1000000u | 0x7FFFFFu, 0xA1000000u | (0x1000000u - 0x7FFFFFu),
                                        0xA1000001u};
        double volts[3] = {};
        std::uint8_t overload[4] = {9, 9, 9, 9};
        ASSERT_EQ(ZEB44_ProcessData(&m, words, volts, 3, 1, 1, overload), ZEB44_OK);
        const double fs = instrument::InputRanges[r].Volts;
        EXPECT_DOUBLE_EQ(volts[0], fs);
        EXPECT_DOUBLE_EQ(volts[1], -fs);
        EXPECT_DOUBLE_EQ(volts[2], CodeStep(fs));
    }
    m.RangeCode[1] = 6;
    EXPECT_EQ(ZEB44_SetConfig(&m), ZEB44_ERR_ARGUMENT);
}

// Steps that fail on a module's refused call, each with its own text. A module whose
// StopADC or ClearBuffer fails already fails the configuration; the frame's own texts
// are reached by opening it with the record of a run configured on a healthy module.
TEST_F(RunAgainstZebsim, RefusedCallsEndTheRightStep) {
    enum Step { Configure, Acquire };
    struct Case {
        const char* name;
        std::uint16_t slot;
        bool configureOnHealthy;
        std::array<bool, 4> enabled;
        Step step;
        const char* message;
        const char* stopModule;  // nullptr: StopModule succeeds
    };
    const std::array<bool, 4> one{true, false, false, false};
    const Case cases[] = {
        {"SetConfig", FailSetConfigSlot, false, one, Configure, messages::SetConfigFailed, nullptr},
        {"StopADC at configuration", FailStopSlot, false, one, Configure, messages::ConfigureStopAdcFailed,
         messages::CleanupStopFailed},
        {"ClearBuffer at configuration", FailClearSlot, false, one, Configure, messages::ConfigureClearBufferFailed,
         messages::CleanupClearFailed},
        {"no channel", ChannelsSlot, false, {}, Configure, messages::NoActiveChannel, nullptr},
        {"StartADC", FailStartSlot, false, one, Acquire, messages::FrameStartFailed, nullptr},
        {"StopADC in a frame", FailStopSlot, true, one, Acquire, messages::FrameStopFailed,
         messages::CleanupStopFailed},
        {"ClearBuffer in a frame", FailClearSlot, true, one, Acquire, messages::FrameClearFailed,
         messages::CleanupClearFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TOpenModule module(c.configureOnHealthy ? ChannelsSlot : c.slot);
        ASSERT_EQ(module.Status(), ZEB44_OK);
        TMeasurementRun run(module.Record(), stop_);
        const TRunSetup setup = RunSetup("sum", c.enabled, 0);
        run.Begin(runtest::Settings(setup));
        TStepResult step = run.ConfigureModule(runtest::Parameters(setup));
        if (c.step == Configure) {
            EXPECT_EQ(step.Kind, TStepResult::TKind::Failed);
            EXPECT_EQ(step.Message, c.message);
        } else {
            ASSERT_TRUE(step.Ok()) << step.Message;
            ASSERT_TRUE(run.PrepareBuffers().Ok());
            if (c.configureOnHealthy) {
                ASSERT_EQ(module.Open(c.slot), ZEB44_OK);
            }
            step = run.AcquireFrame();
            EXPECT_EQ(step.Kind, TStepResult::TKind::Failed);
            EXPECT_EQ(step.Message, c.message);
        }
        const TStepResult stopped = run.StopModule();
        EXPECT_EQ(stopped.Message, c.stopModule ? c.stopModule : "");
        EXPECT_EQ(stopped.Ok(), c.stopModule == nullptr);
        run.Release();
    }
}

// A stream that stalls, pauses, drops or carries a malformed word: the frame ends with
// the right text. One channel at rate 0 receives blocks of 347 words.
TEST_F(RunAgainstZebsim, StreamFaultsEndTheFrameWithTheirText) {
    struct Case {
        const char* name;
        std::uint16_t slot;
        const char* acquire;  // nullptr: the frame arrives
        const char* convert;  // nullptr: it converts
        double atLeastMs;     // the frame's failure waits this long (the receive timeout)
    };
    const Case cases[] = {
        {"silent after the first block", StallSlot, messages::RecvNothing, nullptr, 5000},
        {"paused inside a block", ShortBlockSlot, messages::RecvWrongCount, nullptr, 5000},
        {"connection dropped", DropSlot, messages::RecvFailed, nullptr, 0},
        {"malformed word", CorruptSlot, nullptr, messages::ConvertFailed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TOpenModule module(c.slot);
        TMeasurementRun run(module.Record(), stop_);
        ASSERT_TRUE(runtest::Prepare(run, RunSetup("sum", {true, false, false, false}, 0)).Ok());
        ASSERT_EQ(run.Geometry().RecvBlockWords, Block);
        const auto start = std::chrono::steady_clock::now();
        const TStepResult acquired = run.AcquireFrame();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (c.acquire != nullptr) {
            EXPECT_EQ(acquired.Kind, TStepResult::TKind::Failed);
            EXPECT_EQ(acquired.Message, c.acquire);
            EXPECT_GE(ms, c.atLeastMs - 50);
            EXPECT_LT(ms, c.atLeastMs + 4000);  // sanity: one timeout, not several
        } else {
            ASSERT_TRUE(acquired.Ok()) << acquired.Message;
            // Word 1000 arrived with the wrong tag, every other one as a sample.
            const std::uint32_t* words = run.Buffers().RcvBuffer();
            for (std::uint32_t i = 0; i < N; ++i) ASSERT_EQ(words[i] >> 28, i == 1000 ? 0x5u : 0xAu) << i;
            const TStepResult converted = run.ConvertFrame();
            EXPECT_EQ(converted.Kind, TStepResult::TKind::Failed);
            EXPECT_EQ(converted.Message, c.convert);
            // Every start sends it again.
            ASSERT_TRUE(run.AcquireFrame().Ok());
            EXPECT_EQ(run.ConvertFrame().Message, c.convert);
        }
        run.StopModule();
        run.Release();
    }
}

// The malformed word is the 1001st of each start: a frame of 1000 words never holds it.
TEST_F(RunAgainstZebsim, AFrameBeforeTheMalformedWordConverts) {
    TOpenModule module(CorruptSlot);
    TMeasurementRun run(module.Record(), stop_);
    TRunSetup setup = RunSetup("sum", {true, false, false, false}, 0);
    setup.MaxTime = 1000.5 / TableF;
    ASSERT_TRUE(runtest::Prepare(run, setup).Ok());
    ASSERT_EQ(run.Geometry().FrameWords, 1000u);
    for (int f = 0; f < 3; ++f) {
        const TStepResult step = runtest::Frame(run);
        ASSERT_TRUE(step.Ok()) << step.Message;
        EXPECT_NEAR(run.Results()[0].DcValue, Quantised(1.0, 10.0), CodeStep(10.0) / 8);
    }
    End(run);
}

TEST(ZebsimScenarioTest, TheMalformedWordFaultIsChecked) {
    for (const char* bad : {R"("corrupt_after_words":-1)", R"("corrupt_after_words":1.5)",
                            R"("corrupt_after_words":"7")"}) {
        zebtest::ZebsimProcess::Options o;
        o.scenarioJson = zebtest::singleModuleScenario(std::string(R"(,"faults":{)") + bad + "}");
        EXPECT_THROW(zebtest::ZebsimProcess{o}, std::runtime_error) << bad;
    }
    zebtest::ZebsimProcess::Options o;
    o.scenarioJson = zebtest::singleModuleScenario(R"(,"faults":{"corrupt_after_words":0})");
    EXPECT_NO_THROW(zebtest::ZebsimProcess{o});
}

// Real time (time scale 1), one zebsim per test: a frame of 3 s in 30 blocks of 100 ms.
class RunInRealTime : public ::testing::Test {
protected:
    void SetUp() override {
        zebtest::ZebsimProcess::Options o;
        o.scenarioJson = zebtest::singleModuleScenario(R"(,"channels":[{"dc":1}])");
        server_ = std::make_unique<zebtest::ZebsimProcess>(o);
        server_->exportPort();
        module_ = std::make_unique<TOpenModule>(1);
        ASSERT_EQ(module_->Status(), ZEB44_OK);
        run_ = std::make_unique<TMeasurementRun>(module_->Record(), stop_);
        TRunSetup setup = RunSetup("sum", {true, false, false, false}, 0);
        setup.MaxTime = 3.0;
        ASSERT_TRUE(runtest::Prepare(*run_, setup).Ok());
        ASSERT_EQ(run_->Geometry().FrameWords, 10416u);
    }
    // Runs `action` 300 ms into a frame; returns the frame's result, and the time from
    // the action to the frame's end in milliseconds.
    template <typename Action>
    TStepResult FrameWith(Action action, double& afterMs) {
        std::chrono::steady_clock::time_point actedAt;
        std::thread other([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            actedAt = std::chrono::steady_clock::now();
            action();
        });
        const TStepResult result = run_->AcquireFrame();
        const auto endedAt = std::chrono::steady_clock::now();
        other.join();
        afterMs = std::chrono::duration<double, std::milli>(endedAt - actedAt).count();
        return result;
    }

    std::atomic<bool> stop_{false};
    std::unique_ptr<zebtest::ZebsimProcess> server_;
    std::unique_ptr<TOpenModule> module_;
    std::unique_ptr<TMeasurementRun> run_;
};

TEST_F(RunInRealTime, AStopRequestEndsTheFrameAtTheNextBlock) {
    double latencyMs = 0;
    const TStepResult step = FrameWith([this] { stop_.store(true); }, latencyMs);
    EXPECT_EQ(step.Kind, TStepResult::TKind::Stopped);
    EXPECT_EQ(step.Message, "");
    EXPECT_LT(latencyMs, 1000.0);  // sanity only: one block is 100 ms
    std::cout << "[ figures  ] stop latency " << latencyMs << " ms\n";
    EXPECT_TRUE(run_->StopModule().Ok());
    run_->Release();
}

TEST_F(RunInRealTime, AServerKilledInAFrameEndsItWithoutWaitingForTheTimeout) {
    double afterMs = 0;
    const TStepResult step = FrameWith([this] { server_->kill(); }, afterMs);
    EXPECT_EQ(step.Kind, TStepResult::TKind::Failed);
    EXPECT_EQ(step.Message, messages::RecvFailed);
    EXPECT_LT(afterMs, 2500.0);  // well inside the receive timeout of 5 s
    std::cout << "[ figures  ] lost server noticed after " << afterMs << " ms\n";
    EXPECT_EQ(run_->StopModule().Message, messages::CleanupStopFailed);
    run_->Release();
}

}  // namespace
