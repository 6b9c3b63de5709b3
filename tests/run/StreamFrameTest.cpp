// Frames cut back to back out of one stream (run::TFrameStep::Stream) against zebsim:
// a noise-free sine read frame after frame continues across every frame boundary
// sample for sample (where a frame per start of the ADC does not), and a reader that
// falls behind the stream sees the module's overflow as a lost stream.
#include "RunZebsim.h"
#include "run/RunLoop.h"
#include "run/RunMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <numbers>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr int RateIndex = 14;              // 9765.625 Hz
constexpr double Rate = 9765.625;
constexpr double SineHertz = 1234.5;       // not a divisor of the rate: a lost sample shows
constexpr double SineVolts = 0.5;
constexpr int RangeIndexOneVolt = 2;

zebtest::ZebsimProcess::Options SineServer(double timeScale) {
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = zebtest::singleModuleScenario(
        R"(,"own_noise_rms":0,"channels":[{"amplitude":0.5,"frequency":1234.5}])");
    options.timeScale = timeScale;
    return options;
}


// Takes channel 1 of every frame, or sleeps after the first one (a reader that falls
// behind), and keeps the first failure.
class TStreamReader : public run::TRunObserver {
public:
    TStreamReader(const runtest::TRunSetup& setup, int frames, std::chrono::milliseconds firstFrameSleep)
        : setup_(setup), frames_(frames), sleep_(firstFrameSleep) {}

    void BeginRun(run::TRunStart& start) override {
        start.Settings = runtest::Settings(setup_);
        start.CrateTypeCode = 10;
        start.ModuleName = "ZEB44";
    }
    void ReadParameters(run::TModuleParameters& parameters) override { parameters = runtest::Parameters(setup_); }
    bool NextFrame() override { return started_++ < frames_; }
    std::array<bool, 4> TickedChannels() override { return {true, false, false, false}; }
    void FrameDone(const run::TMeasurementRun& run) override {
        const double* samples = run.ChannelFrame(0);
        Frames.emplace_back(samples, samples + run.Geometry().SamplesPerChannel);
        if (Frames.size() == 1) std::this_thread::sleep_for(sleep_);
    }
    void StepDone(run::TRunStep, const run::TStepResult& result) override {
        if (!result.Ok() && !Failure) Failure = result;
    }

    std::vector<std::vector<double>> Frames;
    std::optional<run::TStepResult> Failure;

private:
    runtest::TRunSetup setup_;
    int frames_;
    std::chrono::milliseconds sleep_;
    int started_ = 0;
};

// |x[k] - (2 cos w x[k-1] - x[k-2])| at the first sample of every frame after the
// first: zero (within the codes' steps) for consecutive samples of one sine.
std::vector<double> BoundaryResiduals(const std::vector<std::vector<double>>& frames) {
    const double c = 2.0 * std::cos(2.0 * std::numbers::pi * SineHertz / Rate);
    std::vector<double> residuals;
    for (std::size_t f = 1; f < frames.size(); ++f) {
        const std::vector<double>& before = frames[f - 1];
        const double x2 = before[before.size() - 2];
        const double x1 = before.back();
        residuals.push_back(std::fabs(frames[f][0] - (c * x1 - x2)));
    }
    return residuals;
}

runtest::TRunSetup SineSetup() {
    runtest::TRunSetup setup;
    setup.RateIndex = RateIndex;
    setup.Range = {RangeIndexOneVolt, RangeIndexOneVolt, RangeIndexOneVolt, RangeIndexOneVolt};
    setup.MaxTime = 0.05;  // 488 samples a frame
    return setup;
}

TEST(StreamFrames, EverySampleBelongsToAFrameAndFramesFollowBackToBack) {
    zebtest::ZebsimProcess server(SineServer(10));
    server.exportPort();
    struct TCase {
        run::TFrameStep Step;
        bool Continuous;  // every boundary continues the sine
    };
    for (const TCase& c : {TCase{run::TFrameStep::Stream, true}, TCase{run::TFrameStep::RestartPerFrame, false}}) {
        SCOPED_TRACE(c.Continuous ? "stream" : "a start per frame");
        runtest::TOpenModule module(1);
        ASSERT_EQ(module.Status(), 0);
        std::atomic<bool> stop{false};
        run::TMeasurementRun run(module.Record(), stop);
        TStreamReader reader(SineSetup(), 40, std::chrono::milliseconds(0));
        EXPECT_EQ(run::RunMeasurement(run, reader, c.Step), run::TRunEnd::Completed);
        ASSERT_EQ(reader.Frames.size(), 40u);
        // Within a frame the samples are consecutive either way: the check itself holds.
        const std::vector<double>& first = reader.Frames[0];
        const double cw = 2.0 * std::cos(2.0 * std::numbers::pi * SineHertz / Rate);
        for (std::size_t k = 2; k < first.size(); ++k) ASSERT_LT(std::fabs(first[k] - (cw * first[k - 1] - first[k - 2])), 1e-5);
        const std::vector<double> residuals = BoundaryResiduals(reader.Frames);
        std::size_t broken = 0;
        for (const double r : residuals) broken += r > 1e-3 ? 1 : 0;
        if (c.Continuous) {
            for (std::size_t f = 0; f < residuals.size(); ++f) EXPECT_LT(residuals[f], 1e-5) << "before frame " << f + 2;
        } else {
            EXPECT_GE(broken, residuals.size() * 8 / 10);  // a new start begins at another phase
        }
        for (const std::vector<double>& frame : reader.Frames)
            for (const double v : frame) ASSERT_LE(std::fabs(v), SineVolts + 1e-6);
    }
}

TEST(StreamFrames, AReaderThatFallsBehindLosesTheStreamAndIsToldSo) {
    // 78125 Hz at 50 times real time: a pause of two seconds leaves far more than the
    // module and the connection hold.
    zebtest::ZebsimProcess server(SineServer(50));
    server.exportPort();
    runtest::TOpenModule module(1);
    ASSERT_EQ(module.Status(), 0);
    runtest::TRunSetup setup = SineSetup();
    setup.RateIndex = 24;
    std::atomic<bool> stop{false};
    run::TMeasurementRun run(module.Record(), stop);
    TStreamReader reader(setup, 1000000, std::chrono::milliseconds(2000));
    EXPECT_EQ(run::RunMeasurement(run, reader, run::TFrameStep::Stream), run::TRunEnd::Failed);
    ASSERT_TRUE(reader.Failure.has_value());
    EXPECT_EQ(reader.Failure->Message, run::messages::StreamOverflow);
    EXPECT_EQ(reader.Failure->Cause, run::TFailureCause::ModuleLost);
    EXPECT_GE(reader.Frames.size(), 1u);
}

}  // namespace
