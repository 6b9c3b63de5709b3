// Shared pieces of the measurement-run benchmarks: a zebsim crate with one ZEB44 whose
// four inputs carry a sine each, an open module on it, runs through the run library's
// loop with the benchmark's hooks, and readings of the process (resident memory, CPU time, load).
#pragma once

#include "run/MeasurementRun.h"
#include "run/RunLoop.h"
#include "support/ZebsimProcess.h"

#include "zeb44api.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace acqbench {

inline constexpr double Rate = 78125.0;    // the fastest ADC rate, rate row 24
inline constexpr int RateIndex = 24;
inline constexpr int RangeIndex = 0;       // the 10 V range
inline constexpr std::uint8_t CrateType = 30;  // ZEB-N8: no throughput limit below 2000 KB/s

// zebsim at the given time scale holding crate "B1" (type 30) with a ZEB44 in slot 1,
// and that module opened. The inputs: channel c + 1 carries 0.25 V DC plus a sine of
// (1 + c) V peak at 1000 x (c + 1) Hz with a little noise, well inside the 10 V range.
class TSimModule {
public:
    explicit TSimModule(double timeScale);
    ~TSimModule();
    TSimModule(const TSimModule&) = delete;
    TSimModule& operator=(const TSimModule&) = delete;

    ModuleRecord& Module() { return module_; }

private:
    std::unique_ptr<zebtest::ZebsimProcess> server_;
    ModuleRecord module_{};
};

// The first `channels` channels enabled at the 10 V range, 78125 Hz, AC and DC coupling.
run::TModuleParameters Parameters(int channels);

// Settings of a run: method "fft" or "sum", RMS, every channel AC, the given T.
run::TRunSettings Settings(const std::string& method, double maxTime);

// A run of a benchmark through run::RunMeasurement: the given settings and parameters,
// crate type CrateType, every channel ticked, at most `frames` frames (0: the run ends
// after its preparation), no pauses. The hooks see the run at the loop's places; the
// first step that did not pass leaves its text in Message ("stopped" for a stop).
class TBenchRun : public run::TRunObserver {
public:
    TBenchRun(const run::TRunSettings& settings, const run::TModuleParameters& parameters, int frames)
        : settings_(settings), parameters_(parameters), frames_(frames) {}

    std::function<void()> OnPrepared;    // after PrepareBuffers passed
    std::function<void()> OnFrameStart;  // before each frame's AcquireFrame
    std::function<void(run::TRunStep, const run::TStepResult&)> OnStep;
    std::function<void()> OnFrame;       // after each frame's ComputeChannels passed
    std::string Message;

    void BeginRun(run::TRunStart& start) override;
    void ReadParameters(run::TModuleParameters& parameters) override { parameters = parameters_; }
    void Prepared(const run::TMeasurementRun&) override;
    bool NextFrame() override;
    std::array<bool, 4> TickedChannels() override { return {true, true, true, true}; }
    void FrameDone(const run::TMeasurementRun&) override;
    void StepDone(run::TRunStep step, const run::TStepResult& result) override;

private:
    run::TRunSettings settings_;
    run::TModuleParameters parameters_;
    int frames_ = 0;
    int started_ = 0;
};

// T for a frame of exactly n samples per channel at Rate: the spectral method takes the
// smallest power of two with N / F >= T, the weighted sum trunc(T x F).
double SpectralTimeFor(std::uint32_t n);
double SumTimeFor(std::uint32_t n);

// Fields of /proc/self/status in kibibytes ("VmRSS", "VmHWM"); -1 when not found.
long StatusKiB(const char* field);
// User plus system CPU time of the process (RUSAGE_SELF), seconds.
double ProcessCpuSeconds();
// The first line of /proc/loadavg, without the line break.
std::string LoadAverage();

double Seconds(std::chrono::steady_clock::duration d);
// The q-quantile (0 ... 1) of the values by linear interpolation between order statistics.
double Quantile(std::vector<double> values, double q);

}  // namespace acqbench
