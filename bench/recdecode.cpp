// SPDX-License-Identifier: GPL-3.0-or-later
// A record dump as readings, those readings into the grid piece by piece as a download brings
// them, and a whole dump into the table model: a first download into the reset table, and a
// second one that replaces a full table.
#include "records/recordmodel.h"
#include "records/storedrecord.h"
#include "sim/records.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <span>

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

// The session's first step on a dump: the records as readings, before any text.
void dumpToReadings(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QByteArray dump = sim::storedRecords(count);
    for (auto _ : state) {
        const auto stored = records::storedRecords(dump, count, 0);
        if (int(stored.size()) != count)
            state.SkipWithError("the dump did not decode whole");
        benchmark::DoNotOptimize(stored.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// The grid filling as the dump comes, one piece per 500 ms of a 9600 baud line (24 records).
void recordsIntoTheGridAsTheyArrive(benchmark::State& state)
{
    const int count = int(state.range(0));
    const auto stored = records::storedRecords(sim::storedRecords(count), count, 0);
    constexpr std::size_t kPiece = 24;
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<records::RecordModel>();
        state.ResumeTiming();
        model->beginDownload();
        for (std::size_t i = 0; i < stored.size(); i += kPiece)
            model->addRecords(std::span(stored).subspan(i, std::min(kPiece, stored.size() - i)));
        model->endDownload();
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(dumpToReadings)
    ->Arg(1638)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(recordsIntoTheGridAsTheyArrive)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
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
