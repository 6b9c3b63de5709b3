// What waiting for the module costs, and how soon a run shows its first values.
//
// 1. CPU time of the process (getrusage RUSAGE_SELF, user + system) while a run of four
//    channels at 78125 Hz in real time (zebsim at time scale 1) acquires 5 frames, as a
//    share of one core: during TMeasurementRun::AcquireFrame alone (the wait; target
//    under 2 %) and over the whole frame loop (acquire, convert, compute). Spectral with
//    T = 1 s (the power of two gives N = 2^17, frames of 1.68 s) and weighted sum with
//    T = 1 s (N = 78125, frames of exactly 1 s).
// 2. Wall time from the start of a run (Begin) to the first frame's computed results
//    through the run library's loop, for T = 1 s and T = 0.1 s, both methods, 3 runs each (median, and
//    the steps of the median run). The window's acquisition thread adds its own pauses
//    (50 + 50 + 100 ms before the first frame), which are not counted here.
//
// Flags: --frames=K (default 5), --repeats=K (default 3).

#include "AcquisitionBench.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

double SystemCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
}

using Clock = std::chrono::steady_clock;
constexpr int Channels = 4;

struct TCpuRow {
    std::string Method;
    std::uint32_t N = 0;
    double FrameSeconds = 0.0;
    int Frames = 0;
    double AcquireWall = 0.0, AcquireCpu = 0.0, AcquireSys = 0.0;
    double LoopWall = 0.0, LoopCpu = 0.0;
};

bool MeasureCpu(acqbench::TSimModule& sim, const std::string& method, int frames, TCpuRow& row) {
    std::atomic<bool> stop{false};
    run::TMeasurementRun measurement(sim.Module(), stop);
    acqbench::TBenchRun bench(acqbench::Settings(method, 1.0), acqbench::Parameters(Channels), frames);
    Clock::time_point wall0, wall1;
    double cpu0 = 0.0, sys0 = 0.0, cpu1 = 0.0, sys1 = 0.0;
    int done = 0;
    bench.OnPrepared = [&] {
        row.Method = method;
        row.N = measurement.Geometry().SamplesPerChannel;
        row.FrameSeconds = measurement.Geometry().FrameMilliseconds() / 1000.0;
        row.Frames = frames;
    };
    bench.OnFrameStart = [&] {
        wall0 = Clock::now();
        cpu0 = acqbench::ProcessCpuSeconds();
        sys0 = SystemCpuSeconds();
    };
    bench.OnStep = [&](run::TRunStep step, const run::TStepResult&) {
        if (step != run::TRunStep::AcquireFrame) return;
        wall1 = Clock::now();
        cpu1 = acqbench::ProcessCpuSeconds();
        sys1 = SystemCpuSeconds();
    };
    bench.OnFrame = [&] {
        const auto wall2 = Clock::now();
        const double cpu2 = acqbench::ProcessCpuSeconds();
        row.AcquireWall += acqbench::Seconds(wall1 - wall0);
        row.AcquireCpu += cpu1 - cpu0;
        row.AcquireSys += sys1 - sys0;
        row.LoopWall += acqbench::Seconds(wall2 - wall0);
        row.LoopCpu += cpu2 - cpu0;
        ++done;
    };
    run::RunMeasurement(measurement, bench);
    if (done < frames) {
        std::fprintf(stderr, "frame %d failed: %s\n", done + 1, bench.Message.c_str());
        return false;
    }
    return true;
}

struct TStartTimes {
    double Prepare = 0.0, Acquire = 0.0, Compute = 0.0, Total = 0.0;
};

bool MeasureFirstValues(acqbench::TSimModule& sim, const std::string& method, double maxTime, TStartTimes& t,
                        std::uint32_t& n, double& frameSeconds) {
    std::atomic<bool> stop{false};
    run::TMeasurementRun measurement(sim.Module(), stop);
    acqbench::TBenchRun bench(acqbench::Settings(method, maxTime), acqbench::Parameters(Channels), 1);
    Clock::time_point t1, t2, t3;
    bool computed = false;
    bench.OnStep = [&](run::TRunStep step, const run::TStepResult&) {
        if (step == run::TRunStep::PrepareBuffers) t1 = Clock::now();
        if (step == run::TRunStep::AcquireFrame) t2 = Clock::now();
        if (step == run::TRunStep::ComputeChannels) t3 = Clock::now();
    };
    bench.OnFrame = [&] { computed = true; };
    const auto t0 = Clock::now();
    run::RunMeasurement(measurement, bench);
    n = measurement.Geometry().SamplesPerChannel;
    frameSeconds = measurement.Geometry().FrameMilliseconds() / 1000.0;
    if (!computed) {
        std::fprintf(stderr, "run %s T = %g failed: %s\n", method.c_str(), maxTime, bench.Message.c_str());
        return false;
    }
    t.Prepare = acqbench::Seconds(t1 - t0);
    t.Acquire = acqbench::Seconds(t2 - t1);
    t.Compute = acqbench::Seconds(t3 - t2);
    t.Total = acqbench::Seconds(t3 - t0);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 5;
    int repeats = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--frames=", 9) == 0) {
            frames = std::max(1, std::atoi(argv[i] + 9));
        } else if (std::strncmp(argv[i], "--repeats=", 10) == 0) {
            repeats = std::max(1, std::atoi(argv[i] + 10));
        } else {
            std::fprintf(stderr, "usage: bench_wait_cpu [--frames=K] [--repeats=K]\n");
            return 1;
        }
    }
    acqbench::TSimModule sim(1.0);

    std::vector<TCpuRow> cpuRows;
    for (const char* method : {"fft", "sum"}) {
        TCpuRow row;
        if (!MeasureCpu(sim, method, frames, row)) return 1;
        cpuRows.push_back(row);
    }
    std::printf("CPU time of the process over %d frames, four channels at 78125 Hz in real time, T = 1 s\n"
                "(share of one core; target for the wait: under 2 %%):\n\n",
                frames);
    std::printf("| method | N | frame, s | acquire wall, s | acquire CPU, s (of it system) | acquire CPU share | "
                "loop wall, s | loop CPU, s | loop CPU share |\n|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const TCpuRow& r : cpuRows)
        std::printf("| %s | %u | %.3f | %.3f | %.4f (%.4f) | **%.2f %%** | %.3f | %.4f | %.2f %% |\n", r.Method.c_str(),
                    r.N, r.FrameSeconds, r.AcquireWall, r.AcquireCpu, r.AcquireSys,
                    100.0 * r.AcquireCpu / r.AcquireWall, r.LoopWall, r.LoopCpu, 100.0 * r.LoopCpu / r.LoopWall);

    std::printf("\nFrom Begin to the first frame's computed results, four channels at 78125 Hz in real time\n"
                "(median of %d runs; the steps are those of the median run):\n\n",
                repeats);
    std::printf("| method | T, s | N | frame, s | Begin -> results, s (min ... max) | prepare, ms | acquire, s | "
                "convert + compute, ms |\n|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const char* method : {"fft", "sum"}) {
        for (double maxTime : {1.0, 0.1}) {
            std::vector<TStartTimes> times;
            std::uint32_t n = 0;
            double frameSeconds = 0.0;
            for (int k = 0; k < repeats; ++k) {
                TStartTimes t;
                if (!MeasureFirstValues(sim, method, maxTime, t, n, frameSeconds)) return 1;
                times.push_back(t);
            }
            std::vector<double> totals;
            for (const TStartTimes& t : times) totals.push_back(t.Total);
            const double median = acqbench::Quantile(totals, 0.5);
            const TStartTimes* closest = &times[0];
            for (const TStartTimes& t : times)
                if (std::abs(t.Total - median) < std::abs(closest->Total - median)) closest = &t;
            std::printf("| %s | %.1f | %u | %.3f | %.3f (%.3f ... %.3f) | %.1f | %.3f | %.2f |\n", method, maxTime, n,
                        frameSeconds, median, acqbench::Quantile(totals, 0.0), acqbench::Quantile(totals, 1.0),
                        closest->Prepare * 1e3, closest->Acquire, closest->Compute * 1e3);
        }
    }
    std::printf("\nLoad average at the end: %s\n", acqbench::LoadAverage().c_str());
    return 0;
}
