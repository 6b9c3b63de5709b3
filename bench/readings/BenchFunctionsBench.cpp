// The bench-meter functions (readings::TBenchChannel):
//   per frame: Add() on four channels with a null offset, a moving average of N
//              frames and both limits, statistics included (target: under 1 µs);
//   precision: after 10^7 frames of 1e6 V with microvolts of noise, the relative
//              errors of the mean and the deviation against a two-pass reference in
//              long double, beside those of a plain Welford update (the reading
//              statistics of voltcheck-cli) for comparison.
// Own flag: --frames=N for the precision run (default 10^7).
#include "BenchTable.h"

#include "readings/BenchFunctions.h"
#include "readings/ReadingStats.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

void PerFrame(benchmark::State& state) {
    readings::TBenchChannels channels;
    readings::TBenchSettings s;
    s.NullMode = readings::TNullMode::Volts;
    s.NullVolts = 1.25;
    s.AverageCount = static_cast<int>(state.range(0));
    s.LimitsOn = true;
    s.Lower = -0.01;
    s.Upper = 0.01;
    for (auto& c : channels) c.Configure(s);
    std::mt19937_64 random(3);
    std::normal_distribution<double> noise(1.25, 1e-3);
    std::vector<double> x(4096);
    for (double& v : x) v = noise(random);
    std::size_t k = 0;
    for (auto _ : state) {
        for (std::size_t c = 0; c < channels.size(); ++c) {
            const readings::TBenchResult r = channels[c].Add(x[(k + c) & 4095], false);
            benchmark::DoNotOptimize(r);
        }
        ++k;
    }
    state.counters["frames"] = benchmark::Counter(static_cast<double>(state.iterations()));
}
BENCHMARK(PerFrame)->Arg(1)->Arg(10)->Arg(1000);

void Precision(std::uint64_t frames) {
    std::mt19937_64 random(5);
    std::normal_distribution<double> noise(0.0, 3e-6);
    readings::TBenchChannel channel;
    readings::TChannelStats welford;  // a plain Welford update, for comparison
    readings::TColumns columns;
    columns.Enabled = {true, false, false, false};
    readings::TReadingStats plain(columns);
    readings::TReading reading;
    reading.Channels[0].Present = true;
    // Two passes over the same values: the generator is run twice from its seed.
    long double sum = 0.0L;
    for (std::uint64_t k = 0; k < frames; ++k) {
        const double v = 1e6 + 0.5e-6 + noise(random);
        sum += v;
        channel.Add(v, false);
        reading.Channels[0].Volts = v;
        plain.Add(reading);
    }
    const long double mean = sum / static_cast<long double>(frames);
    random.seed(5);
    noise.reset();
    long double squares = 0.0L;
    for (std::uint64_t k = 0; k < frames; ++k) {
        const long double d = (1e6 + 0.5e-6 + noise(random)) - mean;
        squares += d * d;
    }
    const long double deviation = std::sqrt(squares / static_cast<long double>(frames - 1));
    const auto relative = [](double value, long double reference) {
        return static_cast<double>(std::fabs((static_cast<long double>(value) - reference) / reference));
    };
    std::printf("\nstatistics after %llu frames of 1e6 V + 0.5 uV + noise of 3 uV RMS, against long double:\n",
                static_cast<unsigned long long>(frames));
    std::printf("  %-34s %14s %14s\n", "", "mean rel. err", "std rel. err");
    std::printf("  %-34s %14.3e %14.3e\n", "TBenchChannel (shifted, compensated)",
                relative(channel.Stats().Mean, mean), relative(channel.Stats().Deviation, deviation));
    std::printf("  %-34s %14.3e %14.3e\n", "plain Welford (ReadingStats)", relative(plain.Channel(0).Mean, mean),
                relative(plain.Channel(0).Deviation(), deviation));
}

}  // namespace

int main(int argc, char** argv) {
    const std::map<std::string, std::string> own = TakeOwnFlags(argc, argv, {"frames"});
    benchmark::Initialize(&argc, argv);
    TBenchTable table;
    benchmark::RunSpecifiedBenchmarks(&table);
    const auto frames = own.find("frames");
    Precision(frames == own.end() ? 10'000'000ULL : std::stoull(frames->second));
    benchmark::Shutdown();
    return 0;
}
