// The whole redraw of the Trend tab's chart over a week of six quantities: decimation, handing
// the points to Qt Charts, and painting the view into an image, as a repaint does.
#include "app/trendview.h"
#include "bench/weekstore.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

using namespace korvane;

void redrawAndPaintWeek(benchmark::State& state)
{
    const trend::TrendStore& store = bench::weekStore();
    app::TrendView view(store, nullptr, [] { return bench::kWeekMs; });
    view.resize(1440, 600); // a chart some 1280 pixels wide beside the list of choices
    view.setChosen({measure::Key::U1, measure::Key::U2, measure::Key::U3, measure::Key::I,
                    measure::Key::F, measure::Key::P});
    view.show();
    QApplication::processEvents();
    for (auto _ : state) {
        view.redraw();
        benchmark::DoNotOptimize(view.chartImage());
    }
    state.SetLabel("7 days, 6 quantities");
}
BENCHMARK(redrawAndPaintWeek)->Unit(benchmark::kMillisecond);

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
