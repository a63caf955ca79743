// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"
#include "sim/records.h"
#include "trend/trendstore.h"

#include <array>
#include <memory>

namespace korvane::bench {

constexpr qint64 kFramePeriodMs = 500;
constexpr qint64 kWeekMs = 7LL * 24 * 3600 * 1000;

// The virtual meter's seven kinds of live frame as readings, in its order.
inline std::array<measure::Reading, sim::kLiveCycle> liveReadings()
{
    std::array<measure::Reading, sim::kLiveCycle> out;
    for (int i = 0; i < sim::kLiveCycle; ++i)
        out[std::size_t(i)] = *measure::decodeFrame(sim::liveFrame(i), measure::Source::Live, 0);
    return out;
}

// A week of live frames at two a second, from time 0, built once.
inline const trend::TrendStore& weekStore()
{
    static const auto store = [] {
        auto s = std::make_unique<trend::TrendStore>();
        auto readings = liveReadings();
        for (qint64 n = 0; n < kWeekMs / kFramePeriodMs; ++n) {
            measure::Reading& r = readings[std::size_t(n % sim::kLiveCycle)];
            r.receivedMs = n * kFramePeriodMs;
            s->add(r);
        }
        return s;
    }();
    return *store;
}

} // namespace korvane::bench
