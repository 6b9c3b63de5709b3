// The run library's loop (run::RunMeasurement) against zebsim and the real client
// library: the order in which an observer sees the steps and its hooks, and the end of
// every run (StopModule, then Release) after frames, a failing step, a stop request,
// the front end's own end and an exception of a hook.
#include "RunZebsim.h"

#include "run/RunLoop.h"
#include "run/RunMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using run::TRunEnd;
using run::TRunPause;
using run::TRunStep;
using run::TStepResult;

// Slots of crate "T1".
constexpr std::uint16_t HealthySlot = 1, FailStartSlot = 2, FailSetConfigSlot = 3;

std::string Scenario() {
    const std::string dc = R"(,"channels":[{"dc":1}])";
    return R"({"crates":[{"serial":"T1","type":10,"modules":[)"
           R"({"slot":1,"serial":"OK")" + dc + "},"
           R"({"slot":2,"serial":"F2","faults":{"fail":["StartADC"]})" + dc + "},"
           R"({"slot":3,"serial":"F1","faults":{"fail":["SetConfig"]})" + dc + "}]}]}";
}

const char* StepName(TRunStep step) {
    switch (step) {
    case TRunStep::Begin: return "Begin";
    case TRunStep::ConfigureModule: return "ConfigureModule";
    case TRunStep::CheckThroughput: return "CheckThroughput";
    case TRunStep::PrepareBuffers: return "PrepareBuffers";
    case TRunStep::StartStream: return "StartStream";
    case TRunStep::AcquireFrame: return "AcquireFrame";
    case TRunStep::ConvertFrame: return "ConvertFrame";
    case TRunStep::ComputeChannels: return "ComputeChannels";
    case TRunStep::StopModule: return "StopModule";
    case TRunStep::Release: return "Release";
    }
    return "?";
}

const char* PauseName(TRunPause pause) {
    switch (pause) {
    case TRunPause::AfterBegin: return "AfterBegin";
    case TRunPause::AfterConfigure: return "AfterConfigure";
    case TRunPause::BeforeFrames: return "BeforeFrames";
    case TRunPause::BeforeRelease: return "BeforeRelease";
    }
    return "?";
}

// What a front end does besides following the run.
enum class TAction {
    None,
    StopWhenPrepared,     // sets the stop flag once the run is prepared
    EndAfterConfigure,    // Ended() becomes true once the module is configured
    ThrowInFrame,         // FrameDone throws
};

// Writes down every hook and step as a line, in the order the loop calls them.
class TRecorder : public run::TRunObserver {
public:
    TRecorder(const runtest::TRunSetup& setup, int frames, TAction action, std::atomic<bool>& stop)
        : setup_(setup), frames_(frames), action_(action), stop_(stop) {}

    void BeginRun(run::TRunStart& start) override {
        Events.push_back("BeginRun");
        start.Settings = runtest::Settings(setup_);
        start.CrateTypeCode = 10;
        start.ModuleName = "ZEB44";
    }
    void ReadParameters(run::TModuleParameters& parameters) override {
        Events.push_back("ReadParameters");
        parameters = runtest::Parameters(setup_);
    }
    void Configured(const run::TMeasurementRun&) override {
        Events.push_back("Configured");
        if (action_ == TAction::EndAfterConfigure) ended_ = true;
    }
    void Prepared(const run::TMeasurementRun&) override {
        Events.push_back("Prepared");
        if (action_ == TAction::StopWhenPrepared) stop_.store(true);
    }
    bool NextFrame() override {
        const bool next = started_ < frames_;
        Events.push_back(next ? "NextFrame yes" : "NextFrame no");
        if (next) ++started_;
        return next;
    }
    std::array<bool, 4> TickedChannels() override {
        Events.push_back("TickedChannels");
        return {true, true, true, true};
    }
    void FrameDone(const run::TMeasurementRun& run) override {
        Events.push_back("FrameDone");
        if (action_ == TAction::ThrowInFrame) throw std::runtime_error("hook");
        DcValues.push_back(run.Results()[0].DcValue);
    }
    void StepDone(TRunStep step, const TStepResult& result) override {
        std::string line = std::string("step ") + StepName(step);
        if (result.Kind == TStepResult::TKind::Stopped) line += " stopped";
        if (result.Kind == TStepResult::TKind::Failed) line += " failed: " + result.Message;
        Events.push_back(line);
    }
    bool Ended() override { return ended_; }
    void Pause(TRunPause pause) override { Events.push_back(std::string("Pause ") + PauseName(pause)); }
    void Finish(const std::function<void()>& release) override {
        Events.push_back("Finish");
        release();
    }

    std::vector<std::string> Events;
    std::vector<double> DcValues;

private:
    runtest::TRunSetup setup_;
    int frames_;
    TAction action_;
    std::atomic<bool>& stop_;
    int started_ = 0;
    bool ended_ = false;
};

// The events up to and including the preparation of a run that passes it.
std::vector<std::string> Prepared() {
    return {"BeginRun", "step Begin", "Pause AfterBegin", "ReadParameters", "step ConfigureModule", "Configured",
            "Pause AfterConfigure", "step CheckThroughput", "step PrepareBuffers", "Prepared", "Pause BeforeFrames"};
}
const std::vector<std::string> Frame = {"NextFrame yes", "step AcquireFrame", "step ConvertFrame", "TickedChannels",
                                        "step ComputeChannels", "FrameDone"};
// Every run's end.
const std::vector<std::string> End = {"step StopModule", "Pause BeforeRelease", "Finish", "step Release"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(RunLoopAgainstZebsim, TheObserverSeesTheStepsInOrderAndEveryRunEndsStoppedAndReleased) {
    zebtest::ZebsimProcess::Options o;
    o.scenarioJson = Scenario();
    o.timeScale = 20.0;  // signal time runs 20 times faster than wall time
    zebtest::ZebsimProcess server(o);
    server.exportPort();
    struct Case {
        const char* name;
        std::uint16_t slot;
        int frames;
        TAction action;
        std::vector<std::string> events;
        TRunEnd end;
    };
    const std::string startFailed = std::string("step AcquireFrame failed: ") + run::messages::FrameStartFailed;
    const std::string loopException = std::string("step ComputeChannels failed: ") + run::messages::LoopException;
    const Case cases[] = {
        {"two frames", HealthySlot, 2, TAction::None, Join({Prepared(), Frame, Frame, {"NextFrame no"}, End}),
         TRunEnd::Completed},
        {"a failing configuration", FailSetConfigSlot, 2, TAction::None,
         Join({{"BeginRun", "step Begin", "Pause AfterBegin", "ReadParameters",
                std::string("step ConfigureModule failed: ") + run::messages::SetConfigFailed, "Pause BeforeFrames"},
               End}),
         TRunEnd::Failed},
        {"a failing frame", FailStartSlot, 2, TAction::None,
         Join({Prepared(), {"NextFrame yes", startFailed}, End}), TRunEnd::Failed},
        {"a stop request", HealthySlot, 2, TAction::StopWhenPrepared,
         Join({Prepared(), {"NextFrame yes", "step AcquireFrame stopped"}, End}), TRunEnd::Stopped},
        {"the front end's end", HealthySlot, 2, TAction::EndAfterConfigure,
         Join({{"BeginRun", "step Begin", "Pause AfterBegin", "ReadParameters", "step ConfigureModule", "Configured",
                "Pause AfterConfigure", "Pause BeforeFrames"},
               End}),
         TRunEnd::Completed},
        {"an exception of a hook", HealthySlot, 2, TAction::ThrowInFrame,
         Join({Prepared(), Frame, {loopException}, End}), TRunEnd::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtest::TOpenModule module(c.slot);
        ASSERT_EQ(module.Status(), ZEB44_OK);
        std::atomic<bool> stop{false};
        run::TMeasurementRun run(module.Record(), stop);
        TRecorder recorder(runtest::TRunSetup{}, c.frames, c.action, stop);
        EXPECT_EQ(run::RunMeasurement(run, recorder), c.end);
        EXPECT_EQ(recorder.Events, c.events);
        // Released: the buffers are gone.
        EXPECT_EQ(run.ChannelFrame(0), nullptr);
        for (double dc : recorder.DcValues) EXPECT_NEAR(dc, 1.0, 1e-3);
    }
    EXPECT_EQ(server.stop(), 0);
}

}  // namespace
