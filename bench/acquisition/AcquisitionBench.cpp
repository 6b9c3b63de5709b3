#include "AcquisitionBench.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <sys/resource.h>

namespace acqbench {

namespace {

std::string Scenario() {
    std::string channels;
    for (int c = 0; c < 4; ++c) {
        if (c > 0) channels += ",";
        channels += R"({"dc": 0.25, "amplitude": )" + std::to_string(1 + c) + R"(, "frequency": )" +
                    std::to_string(1000 * (c + 1)) + R"(, "noise_rms": 0.001})";
    }
    return R"({"crates":[{"serial":"B1","type":)" + std::to_string(CrateType) +
           R"(,"modules":[{"slot":1,"serial":"440001","firmware":"1.2.3.4","channels":[)" + channels + "]}]}]}";
}

}  // namespace

TSimModule::TSimModule(double timeScale) {
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = Scenario();
    options.timeScale = timeScale;
    server_ = std::make_unique<zebtest::ZebsimProcess>(options);
    server_->exportPort();
    ZEB44_Init(&module_);
    const std::int32_t rc = ZEB44_Open(&module_, 0x7F000001u, server_->port(), "B1", 1);
    if (rc != ZEB44_OK) throw std::runtime_error("ZEB44_Open on zebsim failed: " + std::to_string(rc));
}

TSimModule::~TSimModule() {
    ZEB44_Close(&module_);
    server_->stop();
}

run::TModuleParameters Parameters(int channels) {
    run::TModuleParameters p;
    for (int c = 0; c < ZEB44_CHANNELS; ++c) {
        p.ChannelEnabled[c] = c < channels;
        p.RangeIndex[c] = RangeIndex;
    }
    p.AdcRateIndex = RateIndex;
    p.ConnectionMode = 0;
    return p;
}

run::TRunSettings Settings(const std::string& method, double maxTime) {
    run::TRunSettings s;
    s.ComputationMethod = computation::MethodFromText(method);
    s.AmplitudeType = computation::TAmplitudeType::Rms;
    s.MaxAcquisitionTime = maxTime;
    s.ChannelMode.fill(computation::TChannelMode::Ac);
    s.RangeIndex.fill(RangeIndex);
    return s;
}

void TBenchRun::BeginRun(run::TRunStart& start) {
    start.Settings = settings_;
    start.CrateTypeCode = CrateType;
    start.ModuleName = "ZEB44";
}

void TBenchRun::Prepared(const run::TMeasurementRun&) {
    if (OnPrepared) OnPrepared();
}

bool TBenchRun::NextFrame() {
    if (started_ >= frames_) return false;
    ++started_;
    if (OnFrameStart) OnFrameStart();
    return true;
}

void TBenchRun::FrameDone(const run::TMeasurementRun&) {
    if (OnFrame) OnFrame();
}

void TBenchRun::StepDone(run::TRunStep step, const run::TStepResult& result) {
    if (!result.Ok() && Message.empty()) Message = result.Message.empty() ? std::string("stopped") : result.Message;
    if (OnStep) OnStep(step, result);
}

double SpectralTimeFor(std::uint32_t n) { return static_cast<double>(n) / Rate; }

double SumTimeFor(std::uint32_t n) { return (static_cast<double>(n) + 0.5) / Rate; }

long StatusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::strtol(line.c_str() + length + 1, nullptr, 10);
    }
    return -1;
}

double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string line;
    std::getline(in, line);
    return line;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Quantile(std::vector<double> values, double q) {
    if (values.empty()) return std::nan("");
    std::sort(values.begin(), values.end());
    const double position = q * static_cast<double>(values.size() - 1);
    const auto low = static_cast<std::size_t>(std::floor(position));
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (position - static_cast<double>(low));
}

}  // namespace acqbench
