// The conversion of a frame's words to volts (ZEB44_ProcessData, which
// TMeasurementRun::ConvertFrame calls) beside a plain copy of the same bytes: a memcpy
// of the words plus writing as many doubles. For every set of enabled channels (15
// layouts) and N = 2^17 ... 2^22 words per frame, in one process, the two are timed
// in turns, repeated; the table gives the medians per word and their ratio (target:
// at most 3).
//
// The words are valid stream words (tag, channel order, codes spread over the whole
// range, an overload bit now and then) for a module configured on zebsim (10 V range,
// 78125 Hz) for each layout.
//
// Own flags: --min-log2=K --max-log2=K (17 ... 22), --repetitions=R (9).

#include "AcquisitionBench.h"
#include "BenchTable.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::uint32_t> StreamWords(unsigned mask, std::size_t count) {
    std::vector<int> order;
    for (int c = 0; c < ZEB44_CHANNELS; ++c)
        if (mask & (1u << c)) order.push_back(c);
    std::mt19937 random(1);
    std::uniform_int_distribution<std::int32_t> code(-8388607, 8388607);
    std::vector<std::uint32_t> words(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int c = order[i % order.size()];
        const bool overload = i % 100003 == 7;
        words[i] = 0xA0000000u | (overload ? 1u << 26 : 0u) | (static_cast<std::uint32_t>(c) << 24) |
                   (static_cast<std::uint32_t>(code(random)) & 0x00FFFFFFu);
    }
    return words;
}

std::string LayoutName(unsigned mask) {
    std::string name;
    for (int c = 0; c < ZEB44_CHANNELS; ++c)
        if (mask & (1u << c)) name += (name.empty() ? "" : ",") + std::to_string(c + 1);
    return name;
}

// Seconds per call of work, the best of `calls` calls.
template <class Work>
double Time(int calls, const Work& work) {
    double best = 1e300;
    for (int i = 0; i < calls; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, acqbench::Seconds(std::chrono::steady_clock::now() - start));
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    auto flags = TakeOwnFlags(argc, argv, {"min-log2", "max-log2", "repetitions"});
    const int minLog2 = flags.count("min-log2") ? std::atoi(flags["min-log2"].c_str()) : 17;
    const int maxLog2 = flags.count("max-log2") ? std::atoi(flags["max-log2"].c_str()) : 22;
    const int repetitions = flags.count("repetitions") ? std::atoi(flags["repetitions"].c_str()) : 9;
    if (minLog2 < 4 || maxLog2 > 24 || minLog2 > maxLog2 || repetitions < 1) {
        std::fprintf(stderr, "bad --min-log2/--max-log2 (4 ... 24) or --repetitions\n");
        return 1;
    }
    acqbench::TSimModule sim(1.0);
    ModuleRecord& module = sim.Module();
    const std::size_t most = std::size_t{1} << maxLog2;
    std::vector<double> volts(most);
    std::vector<std::uint32_t> copied(most);
    std::vector<double> copiedVolts(most);

    std::printf("Load average at the start: %s\n\n", acqbench::LoadAverage().c_str());
    std::printf("| channels | N words | convert, ns/word | copy, ns/word | convert / copy |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    double worst = 0.0;
    for (unsigned mask = 1; mask <= 0xF; ++mask) {
        run::TModuleParameters parameters = acqbench::Parameters(4);
        for (int c = 0; c < ZEB44_CHANNELS; ++c) parameters.ChannelEnabled[c] = (mask & (1u << c)) != 0;
        run::WriteModuleConfiguration(module, parameters);
        if (ZEB44_SetConfig(&module) != ZEB44_OK) {
            std::fprintf(stderr, "the module refused layout %s\n", LayoutName(mask).c_str());
            return 1;
        }
        const int active = std::popcount(mask);
        for (int k = minLog2; k <= maxLog2; ++k) {
            // A whole number of sample instants.
            const std::size_t count = ((std::size_t{1} << k) / active) * active;
            const std::vector<std::uint32_t> words = StreamWords(mask, count);
            std::uint8_t overload[ZEB44_CHANNELS];
            bool failed = false;
            const auto convert = [&] {
                failed |= ZEB44_ProcessData(&module, words.data(), volts.data(), static_cast<std::int32_t>(count), 1,
                                            1, overload) != ZEB44_OK;
            };
            const auto copy = [&] {
                std::memcpy(copied.data(), words.data(), count * sizeof(std::uint32_t));
                std::fill_n(copiedVolts.data(), count, 1.0);
            };
            convert();  // first touch of the outputs, untimed
            copy();
            const int calls = std::max(1, static_cast<int>((std::size_t{1} << 21) / count));
            std::vector<double> convertTimes;
            std::vector<double> copyTimes;
            for (int r = 0; r < repetitions; ++r) {
                convertTimes.push_back(Time(calls, convert));
                copyTimes.push_back(Time(calls, copy));
            }
            if (failed) {
                std::fprintf(stderr, "the conversion refused layout %s\n", LayoutName(mask).c_str());
                return 1;
            }
            const double convertNs = acqbench::Quantile(convertTimes, 0.5) * 1e9 / static_cast<double>(count);
            const double copyNs = acqbench::Quantile(copyTimes, 0.5) * 1e9 / static_cast<double>(count);
            worst = std::max(worst, convertNs / copyNs);
            std::printf("| %s | 2^%d | %.2f | %.2f | %.2f |\n", LayoutName(mask).c_str(), k, convertNs, copyNs,
                        convertNs / copyNs);
        }
    }
    std::printf("\nLargest ratio: %.2f (target: at most 3)\n", worst);
    std::printf("Load average at the end: %s\n", acqbench::LoadAverage().c_str());
    return 0;
}
