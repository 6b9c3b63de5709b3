// Shared pieces of the measurement-run benchmarks: a zebsim crate with one ZEB44 whose
// four inputs carry a sine each, an open module on it, the run's preparation steps in
// the window's order, and readings of the process (resident memory, CPU time, load).
#pragma once

#include "run/MeasurementRun.h"
#include "support/ZebsimProcess.h"

#include "zeb44api.h"

#include <array>
#include <chrono>
#include <cstdint>
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

// Begin, ConfigureModule, CheckThroughput and PrepareBuffers; the failing step's text
// in message (empty when every step passed).
bool PrepareRun(run::TMeasurementRun& measurement, const run::TRunSettings& settings,
                const run::TModuleParameters& parameters, std::string& message);

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
