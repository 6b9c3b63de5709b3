#include "run/RunLoop.h"

#include "run/RunMessages.h"

namespace run {

namespace {

// The state of one RunMeasurement: the step last begun (for an exception's report)
// and the kind of the end.
class TLoop {
public:
    TLoop(TMeasurementRun& run, TRunObserver& observer, TFrameStep frameStep)
        : run_(run), observer_(observer), frameStep_(frameStep) {}

    TRunEnd Run() {
        try {
            const bool prepared = Prepare();
            observer_.Pause(TRunPause::BeforeFrames);
            if (prepared) Frames();
        } catch (...) {
            Report(step_, TStepResult::Failure(messages::LoopException));
        }
        // Every run ends with the module stopped and its buffer cleared, even a run
        // stopped in the middle of a frame.
        Report(TRunStep::StopModule, run_.StopModule());
        observer_.Pause(TRunPause::BeforeRelease);
        observer_.Finish([this] {
            run_.Release();
            observer_.StepDone(TRunStep::Release, TStepResult::Done());
        });
        return end_;
    }

private:
    // The result goes to the observer; true when the step passed and the front end
    // goes on.
    bool Passed(TRunStep step, const TStepResult& result) {
        Report(step, result);
        return result.Ok() && !observer_.Ended();
    }

    void Report(TRunStep step, const TStepResult& result) {
        if (end_ == TRunEnd::Completed && !result.Ok())
            end_ = result.Kind == TStepResult::TKind::Stopped ? TRunEnd::Stopped : TRunEnd::Failed;
        observer_.StepDone(step, result);
    }

    bool Prepare() {
        TRunStart start;
        step_ = TRunStep::Begin;
        observer_.BeginRun(start);
        run_.Begin(start.Settings);
        if (!Passed(TRunStep::Begin, TStepResult::Done())) return false;
        observer_.Pause(TRunPause::AfterBegin);
        TModuleParameters parameters;
        step_ = TRunStep::ConfigureModule;
        observer_.ReadParameters(parameters);
        if (!Passed(step_, run_.ConfigureModule(parameters))) return false;
        observer_.Configured(run_);
        observer_.Pause(TRunPause::AfterConfigure);
        if (observer_.Ended()) return false;
        step_ = TRunStep::CheckThroughput;
        if (!Passed(step_, run_.CheckThroughput(start.CrateTypeCode, start.ModuleName))) return false;
        step_ = TRunStep::PrepareBuffers;
        if (!Passed(step_, run_.PrepareBuffers())) return false;
        observer_.Prepared(run_);
        return true;
    }

    void Frames() {
        const bool stream = frameStep_ == TFrameStep::Stream;
        if (stream) {
            step_ = TRunStep::StartStream;
            if (!Passed(step_, run_.StartStream())) return;
        }
        while (!observer_.Ended() && observer_.NextFrame()) {
            step_ = TRunStep::AcquireFrame;
            if (!Passed(step_, stream ? run_.ReceiveStreamFrame() : run_.AcquireFrame())) return;
            step_ = TRunStep::ConvertFrame;
            if (!Passed(step_, run_.ConvertFrame())) return;
            step_ = TRunStep::ComputeChannels;
            if (!Passed(step_, run_.ComputeChannels(observer_.TickedChannels()))) return;
            observer_.FrameDone(run_);
        }
    }

    TMeasurementRun& run_;
    TRunObserver& observer_;
    const TFrameStep frameStep_;
    TRunStep step_ = TRunStep::Begin;
    TRunEnd end_ = TRunEnd::Completed;
};

}  // namespace

TRunEnd RunMeasurement(TMeasurementRun& run, TRunObserver& observer, TFrameStep frameStep) {
    return TLoop(run, observer, frameStep).Run();
}

}  // namespace run
