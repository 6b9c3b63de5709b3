// How fast a stop request ends a frame. A run of one channel at 78125 Hz in real time
// (zebsim at time scale 1), spectral method, MaxAcquisitionTime 13 s, so a frame of
// N = 2^20 samples (13.4 s). Each of 20 samples is a run of the run library's loop: once
// it is prepared its frame is started (TMeasurementRun::AcquireFrame) and another thread
// sets the stop flag at a random moment 0.15 ... 2 s after the start; measured are the times from setting the flag
// until AcquireFrame returns and until StopModule (ADC stopped, buffer cleared) has
// returned after it. Target: under 150 ms.
//
// Flags: --samples=K (default 20), --seed=S (default 1).

#include "AcquisitionBench.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void PrintRow(const char* what, const std::vector<double>& ms) {
    std::printf("| %s | %zu | %.1f | %.1f | %.1f | %.1f |\n", what, ms.size(), acqbench::Quantile(ms, 0.0),
                acqbench::Quantile(ms, 0.5), acqbench::Quantile(ms, 0.9), acqbench::Quantile(ms, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    int samples = 20;
    unsigned seed = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--samples=", 10) == 0) {
            samples = std::atoi(argv[i] + 10);
        } else if (std::strncmp(argv[i], "--seed=", 7) == 0) {
            seed = static_cast<unsigned>(std::strtoul(argv[i] + 7, nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: bench_stop_latency [--samples=K] [--seed=S]\n");
            return 1;
        }
    }
    if (samples < 1) samples = 1;

    acqbench::TSimModule sim(1.0);
    std::atomic<bool> stop{false};
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> moment(0.15, 2.0);
    std::vector<double> toReturn, toStopped;
    int notStopped = 0;
    for (int i = 0; i < samples; ++i) {
        stop.store(false);
        run::TMeasurementRun measurement(sim.Module(), stop);
        acqbench::TBenchRun bench(acqbench::Settings("fft", 13.0), acqbench::Parameters(1), 1);
        const auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(moment(random)));
        Clock::time_point start{}, flagSet{}, returned{}, stopped{};
        run::TStepResult acquire = run::TStepResult::Failure("not acquired"), stopModule;
        std::thread stopper;
        bench.OnPrepared = [&] {
            if (i == 0) {
                const run::TFrameGeometry& g = measurement.Geometry();
                std::printf("Run: one channel, spectral, 78125 Hz, T = 13 s -> N = %u (frame %.2f s), receive block "
                            "%u words (%.0f ms).\n\n",
                            g.SamplesPerChannel, g.FrameMilliseconds() / 1000.0, g.RecvBlockWords,
                            g.RecvBlockWords * 1000.0 / (g.AdcFrequency * g.ActiveChannels));
                std::printf(
                    "| sample | flag set after start, ms | to AcquireFrame return, ms | to StopModule return, ms |\n");
                std::printf("|---:|---:|---:|---:|\n");
            }
            start = Clock::now();
            stopper = std::thread([&] {
                std::this_thread::sleep_until(start + delay);
                flagSet = Clock::now();
                stop.store(true);
            });
        };
        bench.OnStep = [&](run::TRunStep step, const run::TStepResult& result) {
            if (step == run::TRunStep::AcquireFrame) {
                returned = Clock::now();
                acquire = result;
            } else if (step == run::TRunStep::StopModule) {
                stopped = Clock::now();
                stopModule = result;
            }
        };
        run::RunMeasurement(measurement, bench);
        if (!stopper.joinable()) {
            std::fprintf(stderr, "preparing the run failed: %s\n", bench.Message.c_str());
            return 1;
        }
        stopper.join();
        if (acquire.Kind != run::TStepResult::TKind::Stopped || !stopModule.Ok()) {
            ++notStopped;
            std::printf("| %d | %.1f | not stopped by the flag: %s | %s |\n", i + 1,
                        acqbench::Seconds(flagSet - start) * 1e3, acquire.Message.c_str(), stopModule.Message.c_str());
            continue;
        }
        toReturn.push_back(acqbench::Seconds(returned - flagSet) * 1e3);
        toStopped.push_back(acqbench::Seconds(stopped - flagSet) * 1e3);
        std::printf("| %d | %.1f | %.1f | %.1f |\n", i + 1, acqbench::Seconds(flagSet - start) * 1e3,
                    toReturn.back(), toStopped.back());
    }

    std::printf("\nFrom setting the stop flag (target: under 150 ms):\n\n");
    std::printf("| until | samples | min, ms | median, ms | p90, ms | max, ms |\n|---|---:|---:|---:|---:|---:|\n");
    PrintRow("AcquireFrame returned", toReturn);
    PrintRow("StopModule returned", toStopped);
    if (notStopped > 0) std::printf("\n%d sample(s) did not end with the stop result.\n", notStopped);
    std::printf("\nLoad average at the end: %s\n", acqbench::LoadAverage().c_str());
    return 0;
}
