// The whole per-channel computation (spectral: window, transform, peak, band, as the
// run does it on a channel's block of volts; weighted sums: the two-pass sums) for
// N = 2^8 ... 2^24, printed as a fraction of the frame's duration N / F at F = 78125 Hz.
// Beside it, in the same process: the transform of the project's engine alone, and an
// FFTW_MEASURE real transform of the same length as the yardstick. The second table
// gives four spectral channels against four FFTW transforms (target at 2^20: at most
// 2), and what the computation adds to the engine's transform against the same
// yardstick.
//
// Own flags: --min-log2=K --max-log2=K (even exponents; default 8 ... 24), --wisdom=PATH
// (FFTW wisdom, read before planning and written after; FFTW_MEASURE planning takes
// minutes at 2^24).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include <fftw3.h>

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
        const auto status = computation::ComputeSpectral(fft, frame.data(), window.data(), data.data(),
                                                         spectrum.data(), Rate, power, computation::TChannelMode::Ac,
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

// The engine's transform alone, on the windowed frame.
void BM_Transform(benchmark::State& state, std::size_t n)
{
    std::vector<double> data = Signal(n);
    std::vector<double> window(n + 16), spectrum(n + 16);
    TREALFFT fft(static_cast<std::uint32_t>(n), nullptr);
    fft.MakeWindow(window.data(), AnalysisWindowType);
    fft.ApplyWindow(data.data(), window.data());
    for (auto _ : state) {
        fft.Transform(data.data(), spectrum.data());
        benchmark::DoNotOptimize(spectrum.data());
        benchmark::ClobberMemory();
    }
}

// The yardstick: FFTW's real-to-complex transform of the same length, FFTW_MEASURE plan.
void BM_Fftw(benchmark::State& state, std::size_t n)
{
    double* in = fftw_alloc_real(n);
    fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
    const fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(n), in, out, FFTW_MEASURE);
    // Planning overwrites the input: fill it afterwards.
    const std::vector<double> frame = Signal(n);
    std::copy(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(n), in);
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
}

std::string Name(const char* what, std::size_t n)
{
    return std::string("channel/") + what + "/" + std::to_string(n);
}

} // namespace

int main(int argc, char** argv)
{
    auto flags = TakeOwnFlags(argc, argv, {"min-log2", "max-log2", "wisdom"});
    const std::string wisdom = flags.count("wisdom") ? flags["wisdom"] : std::string(VOLTCHECK_FFTW_WISDOM);
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
        benchmark::RegisterBenchmark(Name("transform", n).c_str(), BM_Transform, n)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(Name("fftw", n).c_str(), BM_Fftw, n)->Unit(benchmark::kMicrosecond);
    }
    fftw_import_wisdom_from_filename(wisdom.c_str());
    TBenchTable table;
    benchmark::RunSpecifiedBenchmarks(&table);
    fftw_export_wisdom_to_filename(wisdom.c_str());

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

    std::printf("\nFour spectral channels against four FFTW_MEASURE transforms of the same length\n"
                "(\"around\": the computation less the engine's transform, per FFTW transform).\n\n");
    std::printf("| N | four channels, ms | engine transforms, ms | four FFTW, ms | channels / FFTW | around / FFTW |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    for (std::size_t n : sizes) {
        const double f = table.Seconds(Name("fft", n));
        const double t = table.Seconds(Name("transform", n));
        const double w = table.Seconds(Name("fftw", n));
        if (f < 0 || t < 0 || w < 0) {
            continue;
        }
        std::printf("| 2^%d | %.3f | %.3f | %.3f | %.2f | %.2f |\n", __builtin_ctzll(n), 4e3 * f, 4e3 * t, 4e3 * w,
                    f / w, (f - t) / w);
    }
    benchmark::Shutdown();
    return 0;
}
