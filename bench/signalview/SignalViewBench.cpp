// The signal view's costs against the frame size N = 2^10 ... 2^24 samples (78125 Hz):
// Times are CPU times of the GUI thread (Google Benchmark's "CPU" column), the
// analysis time is wall time.
//   redraw:   the window's Redraw (both curves reduced to min/max per pixel column of
//             the shown charts and handed to Qt Charts) and the synchronous repaint of
//             both charts, on a 1200 x 760 window (target: below 20 ms at 2^20);
//   hand-off: what a run's frame pays for the view, TFrameHandOff::Offer (the copy
//             of the channel's N samples into the buffer made once per run), as time
//             and as a share of the frame's duration N / 78125 s;
//   analysis: the view's own thread per frame (transform, dBV, peak, distortion),
//             which the run never waits for.
// The window is drawn on the platform Qt finds (an X server, or "offscreen" when
// QT_QPA_PLATFORM says so). Own flags: --min-log2=K --max-log2=K (10 ... 24).
#include "BenchTable.h"

#include "app/SignalViewForm.h"
#include "signalview/FrameHandOff.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChartView>
#include <QLineSeries>
#include <QTest>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double Rate = 78125.0;

std::vector<double> TestFrame(std::size_t n) {
    std::vector<double> x(n);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 1e-3);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = std::sqrt(2.0) * std::sin(2 * std::numbers::pi * 1000.0 * i / Rate) +
               0.014 * std::sin(2 * std::numbers::pi * 3000.0 * i / Rate) + noise(random);
    x[n / 3] = 2.9;  // one narrow spike the reduction must keep
    return x;
}

TSignalViewForm* view = nullptr;

void Redraw(benchmark::State& state) {
    const std::size_t n = std::size_t{1} << state.range(0);
    const std::vector<double> x = TestFrame(n);
    const std::uint64_t before = view->ShownFrameNumber();
    const auto start = std::chrono::steady_clock::now();
    if (!view->TakeSamples(x.data(), n, Rate, 0, 3.0, "1000.00 мВ")) {
        state.SkipWithError("the view refused the frame");
        return;
    }
    while (view->ShownFrameNumber() == before) QTest::qWait(1);
    const double analysis = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (auto _ : state) {
        view->Redraw();
        view->WaveformChartView->viewport()->repaint();
        view->SpectrumChartView->viewport()->repaint();
    }
    state.counters["analysis_ms"] = analysis * 1000.0;
    state.counters["points"] = view->WaveformSeries->count();
}

void HandOff(benchmark::State& state) {
    const std::size_t n = std::size_t{1} << state.range(0);
    const std::vector<double> x = TestFrame(n);
    std::mutex mutex;
    std::condition_variable done;
    int finished = 0;
    signalview::TFrameHandOff handOff([&] {
        std::lock_guard<std::mutex> lock(mutex);
        ++finished;
        done.notify_all();
    });
    if (!handOff.Prepare(n)) {
        state.SkipWithError("no memory");
        return;
    }
    const std::string reading = "1000.00 мВ";
    int offered = 0;
    for (auto _ : state) {
        if (!handOff.Offer(x.data(), n, Rate, 0, 3.0, reading)) state.SkipWithError("dropped");
        ++offered;
        state.PauseTiming();
        {
            std::unique_lock<std::mutex> lock(mutex);
            done.wait(lock, [&] { return finished == offered; });
        }
        handOff.Collect();
        state.ResumeTiming();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto own = TakeOwnFlags(argc, argv, {"min-log2", "max-log2"});
    const int lo = own.contains("min-log2") ? std::stoi(own.at("min-log2")) : 10;
    const int hi = own.contains("max-log2") ? std::stoi(own.at("max-log2")) : 24;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TSignalViewForm form(nullptr);
    form.resize(1200, 760);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) std::fprintf(stderr, "the window was not exposed\n");
    view = &form;
    // Each size under its own name, for the table. Few iterations of the hand-off at the
    // large sizes: each Offer there waits (untimed) for a long analysis.
    for (int k = lo; k <= hi; ++k) {
        benchmark::RegisterBenchmark(("redraw_" + std::to_string(k)).c_str(), Redraw)->Arg(k)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("handoff_" + std::to_string(k)).c_str(), HandOff)
            ->Arg(k)->Unit(benchmark::kMicrosecond)->Iterations(k > 20 ? 4 : 20);
    }
    TBenchTable table;
    benchmark::RunSpecifiedBenchmarks(&table);
    std::printf("\n| N | redraw, ms | hand-off, us | hand-off / frame duration |\n|---|---|---|---|\n");
    for (int k = lo; k <= hi; ++k) {
        const double redraw = table.Seconds("redraw_" + std::to_string(k));
        const double handoff = table.Seconds("handoff_" + std::to_string(k));
        const double frame = static_cast<double>(std::size_t{1} << k) / Rate;
        // A benchmark left out by a filter has no figure.
        const auto cell = [](double seconds, double scale, const char* format) {
            char text[32] = "-";
            if (seconds >= 0) std::snprintf(text, sizeof text, format, seconds * scale);
            return std::string(text);
        };
        std::printf("| 2^%d | %s | %s | %s |\n", k, cell(redraw, 1e3, "%.2f").c_str(), cell(handoff, 1e6, "%.1f").c_str(),
                    cell(handoff, 100.0 / frame, "%.4f %%").c_str());
    }
    benchmark::Shutdown();
    return 0;
}
