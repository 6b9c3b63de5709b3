// The per-frame work of a measurement run without the waits for the module: the
// conversion of the received words to volts (TMeasurementRun::ConvertFrame, that is
// ZEB44_ProcessData) and the copy and computation of all four channels
// (ComputeChannels), for N = 2^17 ... 2^20 samples per channel at 78125 Hz, with the
// spectral and the weighted-sum method. Printed per frame and as a share of the frame's
// duration N / 78125 s (target for the spectral pipeline: below 0.25 %).
//
// How: zebsim is started at time scale 10 and a module opened on it; one real frame of
// four channels x 2^20 samples (13.4 s of signal, 1.3 s of wall time) is acquired through
// TMeasurementRun::AcquireFrame and its words kept (sine inputs of 1 ... 4 V peak at
// 1 ... 4 kHz; a faster scale makes zebsim skip samples and the frame gets gaps). For each method and N a run
// is prepared by the run library's loop as the window's (without frames), and once it
// is prepared the first 4 N words of the kept frame (the stream interleaves the
// channels per sample instant, so they are a frame of N samples) are copied into its
// receive buffer, and ConvertFrame + ComputeChannels are timed repeatedly. "convert"
// times ConvertFrame alone.
//
// Own flags: --min-log2=K --max-log2=K (17 ... 20 by default), --time-scale=X (10); the
// rest goes to Google Benchmark (e.g. --benchmark_repetitions=3).

#include "AcquisitionBench.h"
#include "BenchTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Channels = 4;
constexpr std::array<bool, 4> AllTicked{true, true, true, true};

// CPU time from TBenchTable, and the wall time per iteration beside it.
class TPipelineTable : public TBenchTable {
public:
    void ReportRuns(const std::vector<Run>& reports) override {
        TBenchTable::ReportRuns(reports);
        for (const Run& run : reports) {
            if (run.error_occurred) continue;
            const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") median_[name] = seconds;
            } else {
                single_[name] = seconds;
            }
        }
    }
    double RealSeconds(const std::string& name) const {
        if (auto it = median_.find(name); it != median_.end()) return it->second;
        if (auto it = single_.find(name); it != single_.end()) return it->second;
        return -1.0;
    }

private:
    std::map<std::string, double> median_;
    std::map<std::string, double> single_;
};

acqbench::TSimModule* Sim = nullptr;
std::atomic<bool> Stop{false};
std::vector<std::uint32_t> Words;  // one real frame of Channels x 2^maxLog2 samples

// Prepares a run of the method for frames of n samples through the run library's loop
// and, once prepared, hands it to work with the first frame of Words in its receive
// buffer; the run is then stopped and released. False with message when the run or
// its geometry failed.
bool WithPrepared(const std::string& method, std::uint32_t n, const std::function<void(run::TMeasurementRun&)>& work,
                  std::string& message) {
    run::TMeasurementRun measurement(Sim->Module(), Stop);
    const double maxTime = method == "fft" ? acqbench::SpectralTimeFor(n) : acqbench::SumTimeFor(n);
    acqbench::TBenchRun bench(acqbench::Settings(method, maxTime), acqbench::Parameters(Channels), 0);
    bool worked = false;
    bench.OnPrepared = [&] {
        const run::TFrameGeometry& g = measurement.Geometry();
        if (g.SamplesPerChannel != n || g.FrameWords != n * Channels || Words.size() < g.FrameWords) {
            bench.Message = "unexpected geometry: N = " + std::to_string(g.SamplesPerChannel);
            return;
        }
        std::copy_n(Words.begin(), g.FrameWords, measurement.Buffers().RcvBuffer());
        work(measurement);
        worked = true;
    };
    run::RunMeasurement(measurement, bench);
    message = bench.Message;
    return worked && message.empty();
}

void BM_Frame(benchmark::State& state, std::string method, std::uint32_t n, bool convertOnly) {
    std::string message;
    const bool ran = WithPrepared(
        method, n,
        [&](run::TMeasurementRun& measurement) {
            // One untimed frame, so that the first timed one does not pay for the buffers' first touch.
            run::TStepResult r = measurement.ConvertFrame();
            if (r.Ok()) r = measurement.ComputeChannels(AllTicked);
            if (!r.Ok()) {
                state.SkipWithError(r.Message.c_str());
                return;
            }
            for (auto _ : state) {
                r = measurement.ConvertFrame();
                if (r.Ok() && !convertOnly) r = measurement.ComputeChannels(AllTicked);
                if (!r.Ok()) {
                    state.SkipWithError(r.Message.c_str());
                    break;
                }
                benchmark::DoNotOptimize(measurement.Results());
            }
        },
        message);
    if (!ran) state.SkipWithError(message.c_str());
    state.counters["frame_s"] = n / acqbench::Rate;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Name(const char* what, std::uint32_t n) { return std::string("frame/") + what + "/" + std::to_string(n); }

// One frame of the kept words through the "fft" run: the values it gives, as a check
// that the frame is a real signal.
void PrintCheck(std::uint32_t n) {
    std::string message;
    const bool ran = WithPrepared(
        "fft", n,
        [&](run::TMeasurementRun& measurement) {
            run::TStepResult r = measurement.ConvertFrame();
            if (r.Ok()) r = measurement.ComputeChannels(AllTicked);
            if (!r.Ok()) {
                message = r.Message;
                return;
            }
            std::printf("\nCheck of the acquired frame (spectral, N = %u, AC, RMS; inputs (c) V peak at (c) kHz):\n\n",
                        n);
            std::printf("| channel | AC RMS, V | frequency, Hz | overload |\n|---|---|---|---|\n");
            for (int c = 0; c < Channels; ++c)
                std::printf("| %d | %.6f | %.3f | %d |\n", c + 1, measurement.Results()[c].AcValue,
                            measurement.Results()[c].Frequency, measurement.OverloadFlags()[c]);
        },
        message);
    if (!ran || !message.empty()) std::printf("check frame: failed %s\n", message.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    auto flags = TakeOwnFlags(argc, argv, {"min-log2", "max-log2", "time-scale"});
    const double timeScale = flags.count("time-scale") ? std::atof(flags["time-scale"].c_str()) : 10.0;
    const int minLog2 = flags.count("min-log2") ? std::atoi(flags["min-log2"].c_str()) : 17;
    const int maxLog2 = flags.count("max-log2") ? std::atoi(flags["max-log2"].c_str()) : 20;
    if (minLog2 < 8 || maxLog2 > 20 || minLog2 > maxLog2) {
        std::fprintf(stderr, "bad --min-log2/--max-log2 (8 ... 20)\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    acqbench::TSimModule sim(timeScale);
    Sim = &sim;
    {
        // One real frame of the largest size from the module, its words kept.
        const auto n = std::uint32_t{1} << maxLog2;
        run::TMeasurementRun measurement(sim.Module(), Stop);
        acqbench::TBenchRun bench(acqbench::Settings("fft", acqbench::SpectralTimeFor(n)),
                                  acqbench::Parameters(Channels), 1);
        std::chrono::steady_clock::time_point start, end;
        bench.OnStep = [&](run::TRunStep step, const run::TStepResult&) {
            if (step == run::TRunStep::PrepareBuffers) start = std::chrono::steady_clock::now();
            if (step == run::TRunStep::AcquireFrame) end = std::chrono::steady_clock::now();
        };
        bench.OnFrame = [&] {
            const std::uint32_t* words = measurement.Buffers().RcvBuffer();
            Words.assign(words, words + measurement.Geometry().FrameWords);
        };
        run::RunMeasurement(measurement, bench);
        if (Words.empty()) {
            std::fprintf(stderr, "acquiring the frame failed: %s\n", bench.Message.c_str());
            return 1;
        }
        std::printf("Acquired one frame of %zu words (4 x %u samples) from zebsim at time scale %g in %.2f s.\n",
                    Words.size(), n, timeScale, acqbench::Seconds(end - start));
    }
    PrintCheck(std::uint32_t{1} << maxLog2);
    std::printf("\n");

    std::vector<std::uint32_t> sizes;
    for (int k = minLog2; k <= maxLog2; ++k) sizes.push_back(std::uint32_t{1} << k);
    for (std::uint32_t n : sizes) {
        benchmark::RegisterBenchmark(Name("convert", n).c_str(), BM_Frame, std::string("fft"), n, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(Name("fft", n).c_str(), BM_Frame, std::string("fft"), n, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(Name("sum", n).c_str(), BM_Frame, std::string("sum"), n, false)
            ->Unit(benchmark::kMillisecond);
    }
    TPipelineTable table;
    benchmark::RunSpecifiedBenchmarks(&table);

    std::printf("\nPer frame, four channels at 78125 Hz (CPU time; wall time in brackets). \"convert\" is\n"
                "ConvertFrame alone; \"fft\" and \"sum\" are ConvertFrame + ComputeChannels. Target for \"fft\": below 0.25 %%.\n\n");
    std::printf("| N | frame, s | convert, ms | fft, ms | sum, ms | convert / frame | fft / frame | sum / frame |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (std::uint32_t n : sizes) {
        const double frame = n / acqbench::Rate;
        std::string line = "| 2^" + std::to_string(__builtin_ctz(n)) + " = " + std::to_string(n) + " | " +
                           Fixed(frame, 3) + " |";
        std::string shares;
        bool any = false;
        for (const char* what : {"convert", "fft", "sum"}) {
            const double cpu = table.Seconds(Name(what, n));
            const double wall = table.RealSeconds(Name(what, n));
            if (cpu < 0) {
                line += " n/a |";
                shares += " n/a |";
                continue;
            }
            any = true;
            line += " " + Fixed(cpu * 1e3, 2) + " (" + Fixed(wall * 1e3, 2) + ") |";
            shares += " " + Fixed(100.0 * cpu / frame, 3) + " % |";
        }
        if (any) std::printf("%s%s\n", line.c_str(), shares.c_str());
    }
    std::printf("\nLoad average at the end: %s\n", acqbench::LoadAverage().c_str());
    benchmark::Shutdown();
    return 0;
}
