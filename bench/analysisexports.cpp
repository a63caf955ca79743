// SPDX-License-Identifier: GPL-3.0-or-later
// Saving downloaded records for analysis: CSV (the goal), JSON Lines and the workbook of numbers,
// each written to a real file.
#include "export/analysiscsv.h"
#include "export/analysisjsonl.h"
#include "export/analysisworkbook.h"
#include "sim/records.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

using namespace korvane;
using Records = std::vector<records::StoredRecord>;

// The records as the session will hold them: each stored record of the virtual meter's dump
// decoded once.
const Records& downloaded(int count)
{
    static std::map<int, Records> downloads;
    auto [it, added] = downloads.try_emplace(count);
    if (added) {
        const QByteArray dump = sim::storedRecords(count);
        for (int i = 0; i < count; ++i) {
            const QByteArray frame = dump.mid(i * sim::kFrameSize, sim::kFrameSize);
            it->second.push_back(
                {i + 1, quint8(frame[0]), measure::decodeFrame(frame, measure::Source::Stored, 0)});
        }
    }
    return it->second;
}

template <typename Save> void saveRecords(benchmark::State& state, const char* fileName, Save save)
{
    const Records& stored = downloaded(int(state.range(0)));
    QTemporaryDir dir;
    if (!dir.isValid()) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const QString path = dir.filePath(QString::fromLatin1(fileName));
    for (auto _ : state) {
        const exporting::SaveResult result = save(path, stored);
        if (!result.ok) {
            state.SkipWithError(qPrintable(result.message()));
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void saveAnalysisCsv(benchmark::State& state)
{
    saveRecords(state, "records.csv", [](const QString& path, const Records& stored) {
        return exporting::saveAnalysisCsv(path, stored, exporting::Download::Complete,
                                          datalog::Dialect::Comma);
    });
}
void saveAnalysisJsonl(benchmark::State& state)
{
    saveRecords(state, "records.jsonl", [](const QString& path, const Records& stored) {
        return exporting::saveAnalysisJsonl(path, stored, exporting::Download::Complete);
    });
}
void saveAnalysisWorkbook(benchmark::State& state)
{
    saveRecords(state, "records.xlsx", [](const QString& path, const Records& stored) {
        return exporting::saveAnalysisWorkbook(path, stored, exporting::Download::Complete);
    });
}

BENCHMARK(saveAnalysisCsv)
    ->Arg(1638)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(saveAnalysisJsonl)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(saveAnalysisWorkbook)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
