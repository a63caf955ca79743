// SPDX-License-Identifier: GPL-3.0-or-later
// The whole redraw of the Trend tab's chart over a week of six quantities: decimation, handing
// the lines to the chart, and painting the chart into an image, as a repaint does.
#include "app/trendview.h"
#include "bench/weekstore.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

using namespace korvane;

app::TrendPlot* chartOf(app::TrendView& view)
{
    return view.findChild<app::TrendPlot*>();
}

// The view sized so that its plot area is 1280 pixels wide beside four value axes.
void showWeek(app::TrendView& view)
{
    view.resize(1700, 600);
    view.setChosen({measure::Key::U1, measure::Key::U2, measure::Key::U3, measure::Key::I,
                    measure::Key::F, measure::Key::P});
    view.show();
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        view.redraw();
        const int plot = int(chartOf(view)->plotArea().width());
        view.resize(view.width() + 1280 - plot, view.height());
    }
    QApplication::processEvents();
    view.redraw();
}

// Decimation, the axes laid out and the lines handed to the chart.
void redrawWeek(benchmark::State& state)
{
    app::TrendView view(bench::weekStore(state.range(0) != 0), nullptr,
                        [] { return bench::kWeekMs; });
    showWeek(view);
    for (auto _ : state)
        view.redraw();
    state.counters["columns"] = chartOf(view)->plotArea().width();
    state.SetLabel(state.range(0) ? "7 days, 6 noisy quantities, points handed over"
                                  : "7 days, 6 quantities, points handed over");
}
BENCHMARK(redrawWeek)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole repaint beside it: the same, then the chart painted into an image as a repaint
// paints it.
void redrawAndPaintWeek(benchmark::State& state)
{
    app::TrendView view(bench::weekStore(state.range(0) != 0), nullptr,
                        [] { return bench::kWeekMs; });
    showWeek(view);
    for (auto _ : state) {
        view.redraw();
        benchmark::DoNotOptimize(chartOf(view)->grab());
    }
    state.SetLabel(state.range(0) ? "7 days, 6 noisy quantities, painted"
                                  : "7 days, 6 quantities, painted");
}
BENCHMARK(redrawAndPaintWeek)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What the tab does twice a second while polling: five quantities at the window's first size,
// the newest half second added and everything since start (five to six minutes) redrawn and
// painted, for a minute.
void followMinute(benchmark::State& state)
{
    trend::TrendStore store;
    auto readings = bench::liveReadings();
    qint64 n = 0;
    const auto addFrames = [&](qint64 until) {
        for (; n * bench::kFramePeriodMs < until; ++n) {
            measure::Reading& r = readings[std::size_t(n % sim::kLiveCycle)];
            r.receivedMs = n * bench::kFramePeriodMs;
            store.add(r);
        }
    };
    qint64 now = 300'000;
    addFrames(now);
    app::TrendView view(store, nullptr, [&] { return now; });
    view.resize(545, 405);
    view.setChosen(
        {measure::Key::U1, measure::Key::I1, measure::Key::PF, measure::Key::P, measure::Key::F});
    view.show();
    QApplication::processEvents();
    for (auto _ : state) {
        now += bench::kFramePeriodMs;
        addFrames(now);
        view.redraw();
        benchmark::DoNotOptimize(chartOf(view)->grab());
    }
    state.SetLabel("5 to 6 minutes of 5 quantities, following, painted");
}
BENCHMARK(followMinute)->Iterations(120)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
