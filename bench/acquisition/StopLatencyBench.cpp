// How fast a stop request ends a frame. A run of one channel at 78125 Hz in real time
// (zebsim at time scale 1), spectral method, MaxAcquisitionTime 13 s, so a frame of
// N = 2^20 samples (13.4 s). For each of 20 samples the frame is started
// (TMeasurementRun::AcquireFrame) and another thread sets the stop flag at a random
// moment 0.15 ... 2 s after the start; measured are the times from setting the flag
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
    run::TMeasurementRun measurement(sim.Module(), stop);
    std::string message;
    if (!acqbench::PrepareRun(measurement, acqbench::Settings("fft", 13.0), acqbench::Parameters(1), message)) {
        std::fprintf(stderr, "preparing the run failed: %s\n", message.c_str());
        return 1;
    }
    const run::TFrameGeometry& g = measurement.Geometry();
    std::printf("Run: one channel, spectral, 78125 Hz, T = 13 s -> N = %u (frame %.2f s), receive block %u words "
                "(%.0f ms).\n\n",
                g.SamplesPerChannel, g.FrameMilliseconds() / 1000.0, g.RecvBlockWords,
                g.RecvBlockWords * 1000.0 / (g.AdcFrequency * g.ActiveChannels));

    std::mt19937 random(seed);
    std::uniform_real_distribution<double> moment(0.15, 2.0);
    std::vector<double> toReturn, toStopped;
    int notStopped = 0;
    std::printf("| sample | flag set after start, ms | to AcquireFrame return, ms | to StopModule return, ms |\n");
    std::printf("|---:|---:|---:|---:|\n");
    for (int i = 0; i < samples; ++i) {
        stop.store(false);
        const auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(moment(random)));
        Clock::time_point flagSet{};
        const Clock::time_point start = Clock::now();
        std::thread stopper([&] {
            std::this_thread::sleep_until(start + delay);
            flagSet = Clock::now();
            stop.store(true);
        });
        const run::TStepResult r = measurement.AcquireFrame();
        const Clock::time_point returned = Clock::now();
        const run::TStepResult s = measurement.StopModule();
        const Clock::time_point stopped = Clock::now();
        stopper.join();
        if (r.Kind != run::TStepResult::TKind::Stopped || !s.Ok()) {
            ++notStopped;
            std::printf("| %d | %.1f | not stopped by the flag: %s | %s |\n", i + 1,
                        acqbench::Seconds(flagSet - start) * 1e3, r.Message.c_str(), s.Message.c_str());
            continue;
        }
        toReturn.push_back(acqbench::Seconds(returned - flagSet) * 1e3);
        toStopped.push_back(acqbench::Seconds(stopped - flagSet) * 1e3);
        std::printf("| %d | %.1f | %.1f | %.1f |\n", i + 1, acqbench::Seconds(flagSet - start) * 1e3,
                    toReturn.back(), toStopped.back());
    }
    measurement.Release();

    std::printf("\nFrom setting the stop flag (target: under 150 ms):\n\n");
    std::printf("| until | samples | min, ms | median, ms | p90, ms | max, ms |\n|---|---:|---:|---:|---:|---:|\n");
    PrintRow("AcquireFrame returned", toReturn);
    PrintRow("StopModule returned", toStopped);
    if (notStopped > 0) std::printf("\n%d sample(s) did not end with the stop result.\n", notStopped);
    std::printf("\nLoad average at the end: %s\n", acqbench::LoadAverage().c_str());
    return 0;
}
