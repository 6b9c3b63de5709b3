// The limits and statistics window's costs:
//   redraw:  the trend charts of four channels (each reduced to min/max per pixel
//            column and handed to Qt Charts) and their synchronous repaint, on a
//            1400 x 900 window, with a minute, an hour and a day of 1 s frames per
//            channel (60, 3600, 86400 points; target below 20 ms for a day);
//   frame:   what a run's frame pays: TBenchBoard::Take on four channels (the
//            channel functions and the trend's append).
// The window is drawn on the platform Qt finds (an X server, or "offscreen").
#include "BenchTable.h"

#include "app/LimitsForm.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChartView>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace {

TBenchBoard* board = nullptr;
TLimitsForm* view = nullptr;

void Fill(std::size_t points) {
    std::mt19937 random(9);
    std::normal_distribution<double> noise(0.0, 1e-4);
    for (int c = 0; c < 4; ++c) view->ResetChannel(c);
    for (std::size_t k = 0; k < points; ++k)
        for (int c = 0; c < 4; ++c)
            board->Take(c, 1.25 + 0.01 * std::sin(static_cast<double>(k) / 600.0) + noise(random), false,
                              static_cast<double>(k));
}

void Redraw(benchmark::State& state) {
    Fill(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        view->RedrawTrends();
        for (const TLimitsForm::TRow& row : view->Rows) row.TrendView->viewport()->repaint();
    }
}

void Frame(benchmark::State& state) {
    Fill(0);
    double t = 0.0;
    for (auto _ : state) {
        for (int c = 0; c < 4; ++c) benchmark::DoNotOptimize(board->Take(c, 1.25, false, t));
        t += 1.0;
        if (view->TrendPoints(0) >= 1'000'000) {  // keep the trend's memory bounded (untimed)
            state.PauseTiming();
            Fill(0);
            state.ResumeTiming();
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    settings::LimitsSettings limits{};
    for (auto& s : limits) {
        s.AverageCount = 10;
        s.LimitsOn = true;
        s.Lower = 1.24;
        s.Upper = 1.26;
    }
    TBenchBoard bench;
    bench.Configure(limits);
    board = &bench;
    TLimitsForm form(nullptr, bench);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) std::fprintf(stderr, "the window was not exposed\n");
    view = &form;
    const int sizes[]{60, 3600, 86400};
    for (int n : sizes)
        benchmark::RegisterBenchmark(("redraw_" + std::to_string(n)).c_str(), Redraw)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("frame", Frame)->Unit(benchmark::kMicrosecond);
    TBenchTable table;
    benchmark::RunSpecifiedBenchmarks(&table);
    std::printf("\n| points per channel | redraw of 4 trends, ms |\n|---|---|\n");
    for (int n : sizes) std::printf("| %d | %.2f |\n", n, table.Seconds("redraw_" + std::to_string(n)) * 1e3);
    std::printf("\nper frame (4 channels): %.3f us\n", table.Seconds("frame") * 1e6);
    benchmark::Shutdown();
    return 0;
}
