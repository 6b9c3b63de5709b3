// Helpers of the run tests against zebsim: an opened module of crate "T1", a
// run's parameters in one place, the preparation steps and one frame.
#pragma once

#include "run/MeasurementRun.h"
#include "support/ZebsimProcess.h"
#include "zeb44api.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace runtest {

inline constexpr std::uint32_t Loopback = 0x7F000001u;

// The 24-bit code the module sends for an input, and the volts it stands for.
inline constexpr double FullScaleCode = 8388607.0;
inline double Quantised(double volts, double fullScale) {
    const double code = std::clamp(std::round(volts / fullScale * FullScaleCode), -FullScaleCode, FullScaleCode);
    return code * fullScale / FullScaleCode;
}
// One step of the code in volts.
inline double CodeStep(double fullScale) { return fullScale / FullScaleCode; }

// A module record opened on a slot of crate "T1" (the port from ZEB_SERVER_PORT),
// closed at the end.
class TOpenModule {
public:
    explicit TOpenModule(std::uint16_t slot) {
        std::memset(&record_, 0, sizeof record_);
        ZEB44_Init(&record_);
        status_ = Open(slot);
    }
    ~TOpenModule() { ZEB44_Close(&record_); }
    TOpenModule(const TOpenModule&) = delete;
    TOpenModule& operator=(const TOpenModule&) = delete;

    // Opens another slot with the same record (the accepted configuration stays in it).
    std::int32_t Open(std::uint16_t slot) {
        const char serial[16] = "T1";
        return ZEB44_Open(&record_, Loopback, 11111, serial, slot);
    }
    std::int32_t Status() const { return status_; }
    ModuleRecord& Record() { return record_; }

private:
    ModuleRecord record_;
    std::int32_t status_ = ZEB44_ERR_NOT_OPEN;
};

struct TRunSetup {
    std::array<bool, 4> Enabled{true, false, false, false};
    std::array<int, 4> Range{0, 0, 0, 0};  // range index
    int RateIndex = 0;
    int ConnectionMode = 0;  // 0 DC coupling, 1 AC coupling
    std::string Method = "sum";
    std::string Amplitude = "rms";
    double MaxTime = 0.5;
    std::array<computation::TChannelMode, 4> Mode{};  // DC unless set
};

inline run::TModuleParameters Parameters(const TRunSetup& s) {
    run::TModuleParameters p;
    p.ChannelEnabled = s.Enabled;
    p.RangeIndex = s.Range;
    p.AdcRateIndex = s.RateIndex;
    p.ConnectionMode = s.ConnectionMode;
    return p;
}

inline run::TRunSettings Settings(const TRunSetup& s) {
    run::TRunSettings r;
    r.ComputationMethod = computation::MethodFromText(s.Method);
    r.AmplitudeType = computation::AmplitudeTypeFromText(s.Amplitude);
    r.MaxAcquisitionTime = s.MaxTime;
    r.ChannelMode = s.Mode;
    r.RangeIndex = s.Range;
    return r;
}

// Begin, ConfigureModule, CheckThroughput (a crate without a limit that matters) and PrepareBuffers.
inline run::TStepResult Prepare(run::TMeasurementRun& r, const TRunSetup& s) {
    r.Begin(Settings(s));
    run::TStepResult step = r.ConfigureModule(Parameters(s));
    if (step.Ok()) step = r.CheckThroughput(10, "ZEB44");
    if (step.Ok()) step = r.PrepareBuffers();
    return step;
}

// AcquireFrame, ConvertFrame and ComputeChannels.
inline run::TStepResult Frame(run::TMeasurementRun& r, const std::array<bool, 4>& ticked = {true, true, true, true}) {
    run::TStepResult step = r.AcquireFrame();
    if (step.Ok()) step = r.ConvertFrame();
    if (step.Ok()) step = r.ComputeChannels(ticked);
    return step;
}

// The ADC rate zebsim runs at for a rate index (the module's own figure).
inline double ModuleFrequency(int rateIndex, std::uint8_t divider384, std::uint8_t divisor) {
    return rateIndex == 22 ? 39062.49 : 20e6 / ((divider384 ? 384.0 : 256.0) * divisor);
}

}  // namespace runtest
