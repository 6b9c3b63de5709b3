// The whole per-channel computation (spectral: copy of the channel's samples, window,
// transform, magnitudes, peak, band; weighted sums: the two-pass sums) for N = 2^8 ...
// 2^24, printed as a fraction of the frame's duration N / F at F = 78125 Hz.
//
// Own flags: --min-log2=K --max-log2=K (even exponents; default 8 ... 24).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "RealFFT/AnalysisWindow.h"
#include "RealFFT/TRealFft.h"
#include "computation/ChannelComputation.h"

namespace {

constexpr double Rate = 78125.0;

std::vector<double> Signal(std::size_t n)
{
    std::vector<double> x(n + 16);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / Rate;
        x[i] = 0.25 + 2.0 * std::sin(2 * std::numbers::pi * 1000.0 * t) + 1e-3 * std::sin(2 * std::numbers::pi * 7777.0 * t);
    }
    return x;
}

void BM_Spectral(benchmark::State& state, std::size_t n)
{
    const std::vector<double> frame = Signal(n);
    std::vector<double> data(n + 16), window(n + 16), spectrum(n + 16);
    TREALFFT fft(static_cast<std::uint32_t>(n), nullptr);
    fft.MakeWindow(window.data(), AnalysisWindowType);
    const double power = computation::WindowPower();
    computation::TChannelResult r;
    for (auto _ : state) {
        std::copy(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(n), data.begin());
        const auto status = computation::ComputeSpectral(fft, data.data(), window.data(), spectrum.data(), Rate, power,
                                                         computation::TChannelMode::Ac,
                                                         computation::TAmplitudeType::Rms, nullptr, r);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(r);
    }
}

void BM_Sum(benchmark::State& state, std::size_t n)
{
    const std::vector<double> frame = Signal(n);
    std::vector<double> window(n + 16);
    BuildAnalysisWindow(window.data(), n, nullptr);
    const double sum = computation::WindowSum(n);
    computation::TChannelResult r;
    for (auto _ : state) {
        const auto status = computation::ComputeWeightedSum(frame.data(), window.data(), n, sum,
                                                            computation::TChannelMode::Ac,
                                                            computation::TAmplitudeType::Rms, r);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(r);
    }
}

std::string Name(const char* what, std::size_t n)
{
    return std::string("channel/") + what + "/" + std::to_string(n);
}

} // namespace

int main(int argc, char** argv)
{
    auto flags = TakeOwnFlags(argc, argv, {"min-log2", "max-log2"});
    const int minLog2 = flags.count("min-log2") ? std::atoi(flags["min-log2"].c_str()) : 8;
    const int maxLog2 = flags.count("max-log2") ? std::atoi(flags["max-log2"].c_str()) : 24;
    if (minLog2 < 4 || maxLog2 > 24 || minLog2 > maxLog2) {
        std::fprintf(stderr, "bad --min-log2/--max-log2\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::vector<std::size_t> sizes;
    for (int k = minLog2 + (minLog2 & 1); k <= maxLog2; k += 2) {
        sizes.push_back(std::size_t{1} << k);
    }
    for (std::size_t n : sizes) {
        benchmark::RegisterBenchmark(Name("fft", n).c_str(), BM_Spectral, n)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(Name("sum", n).c_str(), BM_Sum, n)->Unit(benchmark::kMicrosecond);
    }
    TBenchTable table;
    benchmark::RunSpecifiedBenchmarks(&table);

    std::printf("\n%10s %12s %12s %12s %14s %14s\n", "N", "frame ms", "fft us", "sum us", "fft/frame %",
                "sum/frame %");
    for (std::size_t n : sizes) {
        const double frame = static_cast<double>(n) / Rate;
        const double f = table.Seconds(Name("fft", n));
        const double s = table.Seconds(Name("sum", n));
        if (f < 0 && s < 0) {
            continue;
        }
        std::printf("%10zu %12.3f %12.2f %12.2f %14.4f %14.4f\n", n, frame * 1e3, f * 1e6, s * 1e6,
                    100.0 * f / frame, 100.0 * s / frame);
    }
    benchmark::Shutdown();
    return 0;
}
