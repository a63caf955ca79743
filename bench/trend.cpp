// SPDX-License-Identifier: GPL-3.0-or-later
// The trend store: a reading appended, a week of every quantity decimated for a redraw, and what
// a week of the meter's live frames costs in memory.
#include "bench/weekstore.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

using namespace korvane;

using bench::kFramePeriodMs;
using bench::kWeekMs;
using bench::liveReadings;
using bench::weekStore;

void appendReading(benchmark::State& state)
{
    auto readings = liveReadings();
    trend::TrendStore store;
    qint64 n = 0;
    for (auto _ : state) {
        measure::Reading& r = readings[std::size_t(n % sim::kLiveCycle)];
        r.receivedMs = n++ * kFramePeriodMs;
        store.add(r);
    }
    state.SetLabel("one live reading, up to 6 quantities");
}
BENCHMARK(appendReading)->Unit(benchmark::kMicrosecond);

// Our part of a redraw: six quantities over the span, 1280 columns each.
void decimateSix(benchmark::State& state)
{
    const trend::TrendStore& store = weekStore();
    const qint64 span = state.range(0);
    constexpr std::array<measure::Key, 6> kKeys{measure::Key::U1, measure::Key::U2,
                                                measure::Key::U3, measure::Key::I,
                                                measure::Key::F,  measure::Key::P};
    for (auto _ : state) {
        for (measure::Key key : kKeys)
            benchmark::DoNotOptimize(store.series(key).decimate(kWeekMs - span, kWeekMs, 1280));
    }
    state.SetLabel(span == kWeekMs ? "7 days" : "1 hour");
}
BENCHMARK(decimateSix)->Arg(kWeekMs)->Arg(3600 * 1000)->Unit(benchmark::kMillisecond);

void weekOfLiveFramesInMemory(benchmark::State& state)
{
    const trend::TrendStore& store = weekStore();
    qsizetype samples = 0;
    for (int k = 0; k < measure::kKeyCount; ++k)
        samples += store.series(measure::Key(k)).size();
    for (auto _ : state)
        benchmark::DoNotOptimize(store.memoryBytes());
    state.counters["samples"] = double(samples);
    state.counters["MB"] = double(store.memoryBytes()) / 1e6;
    state.counters["bytes/sample"] = double(store.memoryBytes()) / double(samples);
}
BENCHMARK(weekOfLiveFramesInMemory)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
