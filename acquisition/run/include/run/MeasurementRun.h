#pragma once

#include "computation/ChannelComputation.h"
#include "run/FrameGeometry.h"
#include "run/ModuleConfiguration.h"
#include "run/RunBuffers.h"

#include "zeb44api.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace run {

// The run's copy of the operator's settings, taken at its start: changes in the
// window take effect at the next run.
struct TRunSettings {
    computation::TMethod ComputationMethod = computation::TMethod::Spectral;
    computation::TAmplitudeType AmplitudeType = computation::TAmplitudeType::Rms;
    double MaxAcquisitionTime = 1.0;        // seconds
    std::array<computation::TChannelMode, 4> ChannelMode{};  // per channel, DC or AC
    std::array<int, 4> RangeIndex{};                          // per channel, as selected at the start

    friend bool operator==(const TRunSettings&, const TRunSettings&) = default;
};

// Why a step failed, for a front end that reconnects: the module or its connection
// was lost (no answer, a dropped connection, a stream that stopped, overflowed or did
// not read), which a new run on the reopened module may mend; or the request itself
// cannot be met (refused, a bad parameter, no memory), which no retry mends.
enum class TFailureCause { Permanent, ModuleLost };

// The outcome of one step: go on, end quietly (the stop request was seen), or end
// with a message for the operator.
struct TStepResult {
    enum class TKind { Ok, Stopped, Failed };
    TKind Kind = TKind::Ok;
    std::string Message;
    TFailureCause Cause = TFailureCause::Permanent;  // of a failure

    static TStepResult Done() { return {}; }
    static TStepResult StoppedByRequest() { return {TKind::Stopped, {}}; }
    static TStepResult Failure(std::string message) { return {TKind::Failed, std::move(message)}; }
    static TStepResult Lost(std::string message) {
        return {TKind::Failed, std::move(message), TFailureCause::ModuleLost};
    }
    // A failed module call: lost for a status of the connection (no server, dropped,
    // malformed data, no module there), permanent for the others (refused, argument).
    static TStepResult ModuleFailure(std::int32_t status, std::string message);
    bool Ok() const { return Kind == TKind::Ok; }
};

// One measurement run of an open ZEB44 as a four-channel voltmeter, without any
// window: the module configuration and frame geometry, the throughput check, the
// buffers and analysis window, and per frame the acquisition, the conversion to volts
// and the computation of every channel. The steps are valid only in the order in which
// run::RunMeasurement (run/RunLoop.h) calls them; a front end runs them through it.
// A step that fails ends the run; its message is the operator's text. The stop flag
// (set from another thread) ends a frame at its next receive block and the
// computation at its next check. After PrepareBuffers no step allocates.
class TMeasurementRun {
public:
    // Receive timeout of one block, milliseconds: bounds a silent module.
    static constexpr std::int32_t RecvTimeoutMs = 5000;

    // module: an open record the run uses alone while it lasts; stop outlives the run.
    TMeasurementRun(ModuleRecord& module, const std::atomic<bool>& stop);
    TMeasurementRun(const TMeasurementRun&) = delete;
    TMeasurementRun& operator=(const TMeasurementRun&) = delete;

    // Takes the run's settings.
    void Begin(const TRunSettings& settings);
    // Stops the ADC, clears its buffer, writes and sends the configuration, then fixes
    // the geometry. Refuses parameters without a rate or a range of an enabled channel
    // before touching the module, and a run without an enabled channel after sending.
    TStepResult ConfigureModule(const TModuleParameters& parameters,
                                std::uint64_t memoryLimit = RunMemoryLimit());
    TStepResult CheckThroughput(std::uint8_t crateTypeCode, std::string_view moduleName) const;
    // Allocates the buffers and builds the analysis window (and spectrum object).
    TStepResult PrepareBuffers();

    // One frame: restart the ADC and receive FrameWords words in blocks of RecvBlockWords.
    TStepResult AcquireFrame();
    // A stream cut into frames: StartStream starts the ADC once (after a stop and a
    // clear), then every ReceiveStreamFrame takes the next FrameWords words of the same
    // stream, so that frames follow each other sample for sample, N / F apart.
    TStepResult StartStream();
    TStepResult ReceiveStreamFrame();
    // The received words into volts and the overload flags.
    TStepResult ConvertFrame();
    // Every channel that took part and is still ticked; the results of the others are 0.
    TStepResult ComputeChannels(const std::array<bool, 4>& ticked);

    // The end of every run: the ADC stopped and its buffer cleared.
    TStepResult StopModule();
    // Releases the buffers and the spectrum object.
    void Release();

    const TRunSettings& Settings() const { return settings_; }
    computation::TMethod Method() const { return settings_.ComputationMethod; }
    computation::TAmplitudeType Amplitude() const { return settings_.AmplitudeType; }
    const TFrameGeometry& Geometry() const { return geometry_; }
    const std::array<computation::TChannelResult, 4>& Results() const { return results_; }
    // Per channel: non-zero when the last converted frame had an overload on it.
    const std::array<std::uint8_t, 4>& OverloadFlags() const { return overload_; }
    // The buffers (the last frame's volts in Data(), channel slot k at k x N).
    TRunBuffers& Buffers() { return buffers_; }
    // The N samples of channel c (0 ... 3) in the last converted frame, in volts; null
    // for a channel that takes no part or before the buffers exist. Valid until the
    // next ConvertFrame or Release.
    const double* ChannelFrame(int channel) const;

private:
    // Stops the ADC, clears its buffer and starts it; startFailed is the start's message.
    TStepResult RestartAdc(const char* startFailed);
    // Receives FrameWords words; a word that carries the overflow mark (words were
    // lost before it) fails the frame as a lost stream.
    TStepResult ReceiveFrameWords();
    bool StopRequested() const { return stop_.load(std::memory_order_relaxed); }

    ModuleRecord& module_;
    const std::atomic<bool>& stop_;
    TRunSettings settings_;
    TFrameGeometry geometry_;
    TRunBuffers buffers_;
    double windowSum_ = 0.0;
    double windowPower_ = 0.0;
    std::array<computation::TChannelResult, 4> results_{};
    std::array<std::uint8_t, 4> overload_{};
};

}  // namespace run
