// voltcheck-cli's costs beside the run library's:
//  - per frame, the line of a reading (four channels) formatted and written with a
//    flush, in CSV and JSON, and the statistics' update;
//  - the tool's CPU use (user + system, of one core) while it measures 1 s frames at
//    78125 Hz with four channels from zebsim in real time.
#include "../BenchTable.h"
#include "readings/ReadingFormat.h"
#include "readings/ReadingStats.h"
#include "support/ZebsimProcess.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

readings::TColumns FourChannels() {
    readings::TColumns columns;
    columns.Enabled = {true, true, true, true};
    columns.Hertz = {true, true, true, true};
    return columns;
}

readings::TReading SomeReading() {
    readings::TReading reading;
    reading.Time = std::chrono::system_clock::now();
    reading.Frame = 123456;
    for (int c = 0; c < 4; ++c)
        reading.Channels[c] = {true, 0.35355339059327373 * (c + 1), 999.99999812345 + c, c == 3};
    return reading;
}

void WriteLine(std::FILE* file, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
}

void BM_CsvLineWritten(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    const readings::TColumns columns = FourChannels();
    readings::TReading reading = SomeReading();
    for (auto _ : state) {
        ++reading.Frame;
        WriteLine(sink, readings::CsvLine(columns, reading));
    }
    std::fclose(sink);
}
BENCHMARK(BM_CsvLineWritten);

void BM_JsonLineWritten(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    const readings::TColumns columns = FourChannels();
    readings::TReading reading = SomeReading();
    for (auto _ : state) {
        ++reading.Frame;
        WriteLine(sink, readings::JsonLine(columns, reading));
    }
    std::fclose(sink);
}
BENCHMARK(BM_JsonLineWritten);

void BM_StatsUpdate(benchmark::State& state) {
    readings::TReadingStats stats(FourChannels());
    const readings::TReading reading = SomeReading();
    for (auto _ : state) stats.Add(reading);
    benchmark::DoNotOptimize(stats.Channel(0).Mean);
}
BENCHMARK(BM_StatsUpdate);

struct TCpuUse {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int status = -1;
};

// Runs voltcheck-cli measure with args (output to /dev/null) and returns its CPU time.
TCpuUse MeasureTool(const std::vector<std::string>& args) {
    std::vector<std::string> all{VOLTCHECK_CLI_EXE, "measure"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    TCpuUse use;
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid) return use;
    use.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    use.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
                     usage.ru_stime.tv_usec * 1e-6;
    use.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return use;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TBenchTable table;
    benchmark::RunSpecifiedBenchmarks(&table);

    // A ZEB-N8 (no rate limit) with four signals, streamed in real time.
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = R"({"crates":[{"serial":"N8","type":30,"modules":[{"slot":1,"serial":"1",
        "channels":[{"dc":1.25},{"amplitude":0.5,"frequency":1000},{"dc":-0.7},{"amplitude":3,"frequency":50}]}]}]})";
    zebtest::ZebsimProcess server(options);
    server.exportPort();
    // The steady state: the difference of a long and a short run leaves out the start
    // (crate list, module opening, buffers) and the end.
    std::printf("\n| run (78125 Hz, four channels, 1 s frames) | frames | wall, s | CPU, s | CPU of one core |\n");
    std::printf("|---|---|---|---|---|\n");
    struct TCase {
        const char* name;
        std::vector<std::string> args;
    };
    for (const TCase& c : {TCase{"weighted sum, DC (N = 78125)", {"--method", "sum", "--time", "1"}},
                           TCase{"spectral, AC (N = 2^17, 1.68 s)", {"--method", "fft", "--mode", "ac", "--time", "1"}}}) {
        std::vector<std::string> shortRun = c.args;
        shortRun.insert(shortRun.end(), {"--frames", "1"});
        std::vector<std::string> longRun = c.args;
        longRun.insert(longRun.end(), {"--frames", "6"});
        const TCpuUse first = MeasureTool(shortRun);
        const TCpuUse whole = MeasureTool(longRun);
        if (first.status != 0 || whole.status != 0) {
            std::printf("| %s | failed (status %d, %d) | | | |\n", c.name, first.status, whole.status);
            continue;
        }
        std::printf("| %s, whole run | 6 | %.2f | %.3f | %.2f %% |\n", c.name, whole.wallSeconds, whole.cpuSeconds,
                    100.0 * whole.cpuSeconds / whole.wallSeconds);
        const double wall = whole.wallSeconds - first.wallSeconds;
        const double cpu = whole.cpuSeconds - first.cpuSeconds;
        std::printf("| %s, frames 2 to 6 | 5 | %.2f | %.3f | %.2f %% |\n", c.name, wall, cpu, 100.0 * cpu / wall);
    }
    const double csv = table.Seconds("BM_CsvLineWritten");
    const double json = table.Seconds("BM_JsonLineWritten");
    std::printf("\n| per frame (four channels) | time | share of a 1 s frame |\n|---|---|---|\n");
    std::printf("| CSV line formatted and written | %.2f us | %.5f %% |\n", csv * 1e6, csv * 100.0);
    std::printf("| JSON line formatted and written | %.2f us | %.5f %% |\n", json * 1e6, json * 100.0);
    return 0;
}
