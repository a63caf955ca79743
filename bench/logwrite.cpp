// SPDX-License-Identifier: GPL-3.0-or-later
// A live frame as the log writes it: formatted in each machine format and appended to a real
// file with one unbuffered write, as the recorder does for every frame received.
#include "datalog/lineformat.h"
#include "datalog/logfile.h"
#include "measure/reading.h"
#include "sim/records.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

using namespace korvane;

constexpr std::array<const char*, 3> kFormatNames{"csv", "jsonl", "influx"};
constexpr std::array<datalog::Format, 3> kFormats{datalog::Format::Csv, datalog::Format::Jsonl,
                                                  datalog::Format::Influx};

// The meter's frames in the order they arrive, each with its own millisecond.
std::vector<measure::Reading> arrivalOrder()
{
    std::vector<measure::Reading> readings;
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < sim::kLiveCycle; ++i) {
        if (const auto r =
                measure::decodeFrame(sim::liveFrame(i), measure::Source::Live, start + i))
            readings.push_back(*r);
    }
    return readings;
}

void frameToLogFile(benchmark::State& state)
{
    const std::size_t which = std::size_t(state.range(0));
    QTemporaryDir dir;
    auto format = datalog::makeFormat(kFormats[which], datalog::Dialect::Comma, true);
    format->setMeter(QStringLiteral("/dev/ttyUSB0"));
    datalog::LogFile log(dir.filePath(QStringLiteral("bench.log")), format->frameHeading());
    if (!dir.isValid() || !log.open(QDateTime::currentMSecsSinceEpoch())) {
        state.SkipWithError("cannot create the log file");
        return;
    }
    std::vector<measure::Reading> readings = arrivalOrder();
    std::size_t next = 0;
    for (auto _ : state) {
        measure::Reading& r = readings[next];
        if (!log.append(r.receivedMs, format->frame(r))) {
            state.SkipWithError("the write failed");
            break;
        }
        r.receivedMs += sim::kLiveCycle; // a millisecond apart: no midnight in the run
        next = (next + 1) % readings.size();
    }
    state.SetLabel(kFormatNames[which]);
    state.counters["bytes/frame"] =
        benchmark::Counter(double(log.size()) / double(state.iterations()));
}
BENCHMARK(frameToLogFile)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
