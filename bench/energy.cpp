// SPDX-License-Identifier: GPL-3.0-or-later
// What energy and cost add per live reading: the virtual meter's frames in arrival order, two a
// second, integrated and priced under a tariff with two windows.
#include "energy/cost.h"
#include "energy/integrator.h"
#include "measure/reading.h"
#include "sim/records.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace korvane;

constexpr QByteArrayView kTariff = "currency = EUR\n[from 2020-01-01]\nstanding = 0.4\n"
                                   "price = 0.3\nprice 22:00-06:00 = 0.2\n"
                                   "price 12:00-14:00 = 0.25\n";

void readingToEnergyAndCost(benchmark::State& state)
{
    std::vector<measure::Reading> cycle;
    for (int i = 0; i < sim::kLiveCycle; ++i)
        cycle.push_back(*measure::decodeFrame(sim::liveFrame(i), measure::Source::Live, 0));
    energy::EnergyIntegrator integrator;
    energy::CostCounter counter(*energy::parseTariff(kTariff).tariff, QTimeZone("Europe/Berlin"));
    qint64 ms = 1'796'000'000'000; // December 2026
    std::size_t next = 0;
    for (auto _ : state) {
        measure::Reading reading = cycle[next];
        reading.receivedMs = ms += 500;
        counter.add(integrator.add(reading));
        benchmark::DoNotOptimize(counter.energyCost());
        next = (next + 1) % cycle.size();
    }
    state.SetLabel("frames in arrival order");
}
BENCHMARK(readingToEnergyAndCost)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
