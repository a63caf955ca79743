// SPDX-License-Identifier: GPL-3.0-or-later
// One live frame of each kind the meter sends, decoded into a typed reading, formatted into the
// six captions and six values and applied to a plain-data live view, as the link and the window
// do for every frame received.
#include "measure/livetexts.h"
#include "measure/liveview.h"
#include "measure/reading.h"
#include "sim/records.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

using namespace korvane;

void show(QByteArrayView frame, measure::LiveView& view)
{
    if (const auto reading = measure::decodeFrame(frame, measure::Source::Live, 0))
        measure::applyTo(measure::liveTexts(*reading), view);
}

constexpr std::array<const char*, sim::kLiveCycle> kKindNames{
    "type 0 phase 1",  "type 0 phase 2", "type 0 phase 3", "type 0 totals",
    "type 1 voltages", "type 2 angles",  "type 3 energy"};
static_assert(kKindNames.size() == sim::kLiveCycle, "one name per kind of live frame");

void liveFrameToView(benchmark::State& state)
{
    const int kind = int(state.range(0));
    const QByteArray frame = sim::liveFrame(kind);
    measure::LiveTextsState view;
    for (auto _ : state) {
        show(frame, view);
        benchmark::DoNotOptimize(view);
    }
    state.SetLabel(kKindNames[std::size_t(kind)]);
}
BENCHMARK(liveFrameToView)->DenseRange(0, sim::kLiveCycle - 1)->Unit(benchmark::kMicrosecond);

// The same frames in the order they arrive, so every frame changes the captions as well.
void liveFrameCycleToView(benchmark::State& state)
{
    std::array<QByteArray, sim::kLiveCycle> frames;
    for (int i = 0; i < sim::kLiveCycle; ++i)
        frames[std::size_t(i)] = sim::liveFrame(i);
    measure::LiveTextsState view;
    std::size_t next = 0;
    for (auto _ : state) {
        show(frames[next], view);
        benchmark::DoNotOptimize(view);
        next = (next + 1) % frames.size();
    }
    state.SetLabel("frames in arrival order");
}
BENCHMARK(liveFrameCycleToView)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
