// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"
#include "sim/records.h"
#include "trend/trendstore.h"

#include <QRandomGenerator>

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

// A week of live frames at two a second, from time 0, built once. The virtual meter repeats its
// seven frames, so most quantities are level; `noisy` gives every value a random part in a
// thousand, so that no two columns are level and every band has height.
inline const trend::TrendStore& weekStore(bool noisy = false)
{
    const auto build = [](bool noise) {
        auto s = std::make_unique<trend::TrendStore>();
        auto readings = liveReadings();
        QRandomGenerator random(1);
        for (qint64 n = 0; n < kWeekMs / kFramePeriodMs; ++n) {
            measure::Reading r = readings[std::size_t(n % sim::kLiveCycle)];
            r.receivedMs = n * kFramePeriodMs;
            if (noise) {
                for (int i = 0; i < r.count; ++i)
                    r.quantities[std::size_t(i)].value *=
                        1 + (random.generateDouble() - 0.5) * 1e-3;
            }
            s->add(r);
        }
        return s;
    };
    if (noisy) {
        static const auto store = build(true);
        return *store;
    }
    static const auto store = build(false);
    return *store;
}

} // namespace korvane::bench
