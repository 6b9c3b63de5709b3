#pragma once

#include "run/MeasurementRun.h"
#include "run/ModuleConfiguration.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace run {

// The steps of a run, in the order RunMeasurement calls them.
enum class TRunStep {
    Begin,
    ConfigureModule,
    CheckThroughput,
    PrepareBuffers,
    StartStream,  // only when frames are cut from one stream
    AcquireFrame,
    ConvertFrame,
    ComputeChannels,
    StopModule,
    Release,
};

// The places between steps where a front end may pause (the window lets the module
// and the operator's eye follow; a command line does not wait).
enum class TRunPause {
    AfterBegin,      // before the module parameters are read
    AfterConfigure,  // after the frame's duration is known, before the throughput check
    BeforeFrames,    // after the preparation, whether it passed or not
    BeforeRelease,   // after StopModule
};

// What a run needs from its front end at its start.
struct TRunStart {
    TRunSettings Settings;          // the operator's settings, copied once per run
    std::uint8_t CrateTypeCode = 0; // of the module's crate, for the throughput check
    std::string ModuleName;         // as the module record holds it
};

// How a run ended, for a front end that acts on it afterwards (a later reconnect of
// a lost module, say): the front end's own end (its limits, Ended), a step that saw
// the stop request, or a failing step (or an exception of a step or a hook).
enum class TRunEnd { Completed, Stopped, Failed };

// What differs between the front ends of a run. RunMeasurement calls the hooks on its
// own thread, in step order; a hook that must run elsewhere (a window's GUI thread)
// hands its work over itself. A hook may throw: the run then ends as after a failed
// step with messages::LoopException (but see Finish).
class TRunObserver {
public:
    // Before Begin: the run's settings, the crate type and the module name.
    virtual void BeginRun(TRunStart& start) = 0;
    // After Begin (and the AfterBegin pause): the parameters the module is configured with.
    virtual void ReadParameters(TModuleParameters& parameters) = 0;
    // After ConfigureModule passed: the geometry (the frame's duration) is fixed.
    virtual void Configured(const TMeasurementRun& /*run*/) {}
    // After PrepareBuffers passed, before the first frame.
    virtual void Prepared(const TMeasurementRun& /*run*/) {}
    // Before every frame: false ends the run there (a frame count, a duration, a
    // failed write). Not asked when Ended() is already true.
    virtual bool NextFrame() { return true; }
    // Per frame, before ComputeChannels: the channels to compute (the others give 0).
    virtual std::array<bool, 4> TickedChannels() = 0;
    // After ComputeChannels passed: the frame's results are in run.
    virtual void FrameDone(const TMeasurementRun& /*run*/) {}
    // After every step with its result (Release always Done). A failed step's message
    // is the operator's text; a front end shows the run's first one.
    virtual void StepDone(TRunStep /*step*/, const TStepResult& /*result*/) {}
    // Asked after Begin and after every step that passed before the frames end: true
    // ends the run there (a stop request, a message already shown).
    virtual bool Ended() { return false; }
    // At the named places; a stop request should cut a pause short.
    virtual void Pause(TRunPause /*pause*/) {}
    // The last call: runs release (the run's Release step) exactly once, where the
    // front end needs it (the window: on the GUI thread, with its own end of the run).
    virtual void Finish(const std::function<void()>& release) { release(); }

protected:
    ~TRunObserver() = default;
};

// How the frames of a run are taken: each one a start of the ADC (the window's way: a
// frame at a time, with a pause between them), or back to back out of one stream that
// is started once (every sample in a frame, frames N / F apart).
enum class TFrameStep { RestartPerFrame, Stream };

// One whole run of the open module behind run, driven by observer:
//   BeginRun, Begin, [Ended], Pause(AfterBegin), ReadParameters, ConfigureModule, [Ended],
//   Configured, Pause(AfterConfigure), [Ended], CheckThroughput, [Ended],
//   PrepareBuffers, [Ended], Prepared, Pause(BeforeFrames) (also after a preparation
//   that ended early),
//   then, with TFrameStep::Stream, StartStream, [Ended];
//   then while not Ended and NextFrame:
//     AcquireFrame (a restart and a frame, or the stream's next frame), [Ended],
//     ConvertFrame, [Ended], TickedChannels, ComputeChannels, [Ended], FrameDone;
//   then, whatever happened (a failed or stopped step, an exception, the front end's
//   end): StopModule, Pause(BeforeRelease), Finish(Release).
// [Ended]: true there ends the preparation or the frames, as a step that does not pass
// does; every step's result goes to StepDone. An exception of a step or a hook goes to StepDone as a failure
// (messages::LoopException) of the step last begun. StopModule and Finish are outside
// that guard: an exception there leaves RunMeasurement. A reconnect after a lost module
// (a failure of cause TFailureCause::ModuleLost) is a new RunMeasurement on the
// reopened record after a Failed end, so it does not change the observer either.
TRunEnd RunMeasurement(TMeasurementRun& run, TRunObserver& observer,
                       TFrameStep frameStep = TFrameStep::RestartPerFrame);

}  // namespace run
