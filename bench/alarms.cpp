// SPDX-License-Identifier: GPL-3.0-or-later
// Twenty alarm rules evaluated on each live reading, as the CLI and the window will for every
// frame: the meter's seven kinds of frame decoded once, fed in arrival order a frame period apart,
// none of them raising anything (the steady state); and the same with every rule flipping.
#include "alarms/evaluator.h"
#include "sim/records.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

using namespace korvane;

// Thresholds the virtual meter's readings stay clear of, on keys of every kind of frame.
constexpr std::array kQuietRules{"U1>253 for 5s clear 251",
                                 "U2>253 for 5s clear 251",
                                 "U3>253 for 5s clear 251",
                                 "U1<207 for 5s clear 209",
                                 "U2<207 for 5s clear 209",
                                 "U3<207 for 5s clear 209",
                                 "I1>100 for 2s",
                                 "I2>100 for 2s",
                                 "I3>100 for 2s",
                                 "P>100000",
                                 "S>100000 clear 90000",
                                 "PF<-2",
                                 "F<49.5 clear 49.8",
                                 "F>50.5 clear 50.2",
                                 "T3U>500",
                                 "U1 silent 30s",
                                 "F silent 30s",
                                 "angI silent 30s",
                                 "T3W silent 1h",
                                 "P silent 30s"};
static_assert(kQuietRules.size() == 20);

std::vector<alarms::Rule> rules(bool flipping)
{
    std::vector<alarms::Rule> out;
    for (const char* text : kQuietRules) {
        alarms::Rule rule = std::get<alarms::Rule>(alarms::parseRule(QString::fromLatin1(text)));
        // Below zero every value rule holds on a value and clears on the next: an event a rule.
        if (flipping && rule.condition != alarms::Condition::Silent) {
            rule.threshold = -1;
            rule.condition = alarms::Condition::Above;
            rule.clear.reset();
            rule.duration = {};
        }
        out.push_back(rule);
    }
    return out;
}

std::array<measure::Reading, sim::kLiveCycle> readings()
{
    std::array<measure::Reading, sim::kLiveCycle> out;
    for (int i = 0; i < sim::kLiveCycle; ++i)
        out[std::size_t(i)] = *measure::decodeFrame(sim::liveFrame(i), measure::Source::Live, 0);
    return out;
}

void evaluate(benchmark::State& state)
{
    const bool flipping = state.range(0) != 0;
    auto cycle = readings();
    qint64 now = 0;
    alarms::Evaluator evaluator(rules(flipping), [&now] { return now; });
    std::size_t next = 0;
    qint64 events = 0;
    for (auto _ : state) {
        measure::Reading& reading = cycle[next];
        reading.receivedMs = now;
        // Every other reading of a flipping run gives a value that clears what the last raised.
        if (flipping) {
            for (measure::Quantity& q : reading.quantities)
                q.value = (now / 80) % 2 ? -2 : 1;
        }
        const QList<alarms::AlarmEvent> out = evaluator.onReading(reading);
        events += out.size();
        benchmark::DoNotOptimize(out);
        now += 80;
        next = (next + 1) % cycle.size();
    }
    state.counters["events/reading"] =
        benchmark::Counter(double(events), benchmark::Counter::kAvgIterations);
    state.SetLabel(flipping ? "20 rules, events" : "20 rules, steady");
}
BENCHMARK(evaluate)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);

} // namespace

BENCHMARK_MAIN();
