// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a downloaded record table as text, CSV and workbook, each written to a real file.
#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "export/workbook.h"
#include "records/recdecode.h"
#include "sim/records.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

using namespace korvane;

const records::RecordTable& downloadedTable(int count)
{
    static std::map<int, records::RecordTable> tables;
    auto [it, added] = tables.try_emplace(count);
    if (added) {
        records::recdecode(it->second, sim::storedRecords(count), quint16(count), 0);
    }
    return it->second;
}

template <auto save> void saveTable(benchmark::State& state, const char* fileName)
{
    const records::RecordTable& table = downloadedTable(int(state.range(0)));
    QTemporaryDir dir;
    if (!dir.isValid()) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const QString path = dir.filePath(QString::fromLatin1(fileName));
    for (auto _ : state) {
        const exporting::SaveResult result = save(path, table);
        if (!result.ok) {
            state.SkipWithError(qPrintable(result.message()));
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void saveText(benchmark::State& state)
{
    saveTable<exporting::saveRecordText>(state, "records.txt");
}
void saveCsv(benchmark::State& state)
{
    saveTable<exporting::saveRecordCsv>(state, "records.csv");
}
void saveWorkbook(benchmark::State& state)
{
    saveTable<exporting::xlsexport>(state, "records.xlsx");
}

BENCHMARK(saveText)
    ->Arg(1638)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(saveCsv)
    ->Arg(1638)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(saveWorkbook)
    ->Arg(1638)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
