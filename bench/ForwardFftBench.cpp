// Forward real FFT: our engine against FFTW's r2c (ESTIMATE and MEASURE plans) and
// KissFFT's double-precision real transform, for N = 2^8, 2^10, ..., 2^24.
//
// Own flags (the rest go to Google Benchmark):
//   --min-log2=K --max-log2=K   range of N (even exponents only; default 8 ... 24)
//   --wisdom=PATH               FFTW wisdom file, read before and written after planning
//   --no-measure                skip FFTW_MEASURE (its planning takes minutes at 2^24
//                               without wisdom)
//   --plan-only                 make the FFTW_MEASURE plans (and the wisdom), then exit
// Plans are made before any timing; the summary table gives the median times when
// --benchmark_repetitions is used.

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kissfft/kissfft.hh>

#include <chrono>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "rfft/RealFft.h"

namespace {

struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};

// One length's inputs, engines and plans; made once, before any timing.
struct TCase {
    std::int32_t N = 0;
    std::vector<double> x;
    std::vector<double> f;
    std::unique_ptr<rfft::RealFft<double>> ours;
    std::unique_ptr<double, FftwFree> in;
    std::unique_ptr<fftw_complex, FftwFree> out;
    fftw_plan estimate = nullptr;
    fftw_plan measure = nullptr;
    std::unique_ptr<kissfft<double>> kiss;
    std::vector<std::complex<double>> kissOut;
};

std::map<std::int32_t, std::unique_ptr<TCase>> Cases;
bool WithMeasure = true;

std::vector<double> RandomInput(std::int32_t n)
{
    std::mt19937_64 gen(12345);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (double& e : v) {
        e = dist(gen);
    }
    return v;
}

TCase& MakeCase(std::int32_t n)
{
    auto c = std::make_unique<TCase>();
    c->N = n;
    c->x = RandomInput(n);
    c->f.assign(static_cast<std::size_t>(n), 0.0);
    c->ours = std::make_unique<rfft::RealFft<double>>(n);
    c->in.reset(fftw_alloc_real(static_cast<std::size_t>(n)));
    c->out.reset(fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1)));
    c->estimate = fftw_plan_dft_r2c_1d(n, c->in.get(), c->out.get(), FFTW_ESTIMATE);
    if (WithMeasure) {
        const auto t0 = std::chrono::steady_clock::now();
        c->measure = fftw_plan_dft_r2c_1d(n, c->in.get(), c->out.get(), FFTW_MEASURE);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::fprintf(stderr, "FFTW_MEASURE plan for N = %d: %.1f s\n", n, s);
    }
    // Planning may overwrite the arrays: fill the input afterwards.
    std::copy(c->x.begin(), c->x.end(), c->in.get());
    c->kiss = std::make_unique<kissfft<double>>(static_cast<std::size_t>(n / 2), false);
    c->kissOut.resize(static_cast<std::size_t>(n / 2));
    TCase& ref = *c;
    Cases[n] = std::move(c);
    return ref;
}

void SetCounters(benchmark::State& state, std::int32_t n)
{
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_Ours(benchmark::State& state, TCase* c)
{
    for (auto _ : state) {
        c->ours->forward_fft(c->f.data(), c->x.data());
        benchmark::DoNotOptimize(c->f.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, c->N);
}

void BM_Fftw(benchmark::State& state, TCase* c, bool measure)
{
    const fftw_plan plan = measure ? c->measure : c->estimate;
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(c->out.get());
        benchmark::ClobberMemory();
    }
    SetCounters(state, c->N);
}

void BM_Kiss(benchmark::State& state, TCase* c)
{
    for (auto _ : state) {
        c->kiss->transform_real(c->x.data(), c->kissOut.data());
        benchmark::DoNotOptimize(c->kissOut.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, c->N);
}

std::string Name(const char* what, std::int32_t n)
{
    return std::string("forward_fft/") + what + "/" + std::to_string(n);
}

} // namespace

int main(int argc, char** argv)
{
    auto flags = TakeOwnFlags(argc, argv, {"min-log2", "max-log2", "wisdom", "no-measure", "plan-only"});
    const int minLog2 = flags.count("min-log2") ? std::atoi(flags["min-log2"].c_str()) : 8;
    const int maxLog2 = flags.count("max-log2") ? std::atoi(flags["max-log2"].c_str()) : 24;
    const std::string wisdom = flags.count("wisdom") ? flags["wisdom"] : std::string(VOLTCHECK_FFTW_WISDOM);
    WithMeasure = flags.count("no-measure") == 0;
    if (minLog2 < 1 || maxLog2 > 26 || minLog2 > maxLog2) {
        std::fprintf(stderr, "bad --min-log2/--max-log2\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (WithMeasure && fftw_import_wisdom_from_filename(wisdom.c_str())) {
        std::fprintf(stderr, "FFTW wisdom read from %s\n", wisdom.c_str());
    }
    std::vector<std::int32_t> sizes;
    for (int k = minLog2 + (minLog2 & 1); k <= maxLog2; k += 2) {
        sizes.push_back(std::int32_t{1} << k);
    }
    for (std::int32_t n : sizes) {
        TCase& c = MakeCase(n);
        if (WithMeasure) {
            fftw_export_wisdom_to_filename(wisdom.c_str()); // keep what the plan cost so far
        }
        // Same process, neighbouring runs: the engines of one N are compared back to back.
        benchmark::RegisterBenchmark(Name("ours", n).c_str(), BM_Ours, &c)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(Name("fftw_estimate", n).c_str(), BM_Fftw, &c, false)->Unit(benchmark::kMicrosecond);
        if (WithMeasure) {
            benchmark::RegisterBenchmark(Name("fftw_measure", n).c_str(), BM_Fftw, &c, true)->Unit(benchmark::kMicrosecond);
        }
        benchmark::RegisterBenchmark(Name("kissfft", n).c_str(), BM_Kiss, &c)->Unit(benchmark::kMicrosecond);
    }
    if (flags.count("plan-only")) {
        return 0;
    }

    TBenchTable table;
    benchmark::RunSpecifiedBenchmarks(&table);

    std::printf("\n%10s %12s %12s %12s %12s %9s %9s %9s\n", "N", "ours us", "estimate us", "measure us", "kissfft us",
                "ours/meas", "ours/kiss", "est/meas");
    for (std::int32_t n : sizes) {
        const double o = table.Seconds(Name("ours", n)) * 1e6;
        const double e = table.Seconds(Name("fftw_estimate", n)) * 1e6;
        const double m = table.Seconds(Name("fftw_measure", n)) * 1e6;
        const double k = table.Seconds(Name("kissfft", n)) * 1e6;
        if (o < 0) {
            continue; // filtered out
        }
        std::printf("%10d %12.2f %12.2f %12.2f %12.2f %9.3f %9.3f %9.3f\n", n, o, e, m > 0 ? m : 0.0, k,
                    m > 0 ? o / m : 0.0, k > 0 ? o / k : 0.0, m > 0 ? e / m : 0.0);
    }
    for (auto& [n, c] : Cases) {
        if (c->estimate) fftw_destroy_plan(c->estimate);
        if (c->measure) fftw_destroy_plan(c->measure);
    }
    benchmark::Shutdown();
    return 0;
}
