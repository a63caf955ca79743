// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding a record dump into the table model: a first download into the reset table, and a
// second one that replaces a full table.
#include "records/recordmodel.h"
#include "sim/records.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace korvane;

void decodeOrFail(benchmark::State& state, records::RecordModel& model, const QByteArray& dump,
                  int count)
{
    if (model.recdecode(dump, quint16(count), 0) != count)
        state.SkipWithError("the dump did not decode whole");
}

void recdecodeIntoResetTable(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QByteArray dump = sim::storedRecords(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<records::RecordModel>();
        state.ResumeTiming();
        decodeOrFail(state, *model, dump, count);
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void recdecodeOverFullTable(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QByteArray dump = sim::storedRecords(count);
    records::RecordModel model;
    decodeOrFail(state, model, dump, count);
    for (auto _ : state)
        decodeOrFail(state, model, dump, count);
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(recdecodeIntoResetTable)
    ->Arg(1638)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(recdecodeOverFullTable)
    ->Arg(1638)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
