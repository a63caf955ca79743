// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "energy/integrator.h"

#include <QList>
#include <QMetaType>

#include <vector>

namespace korvane::testing {

// A power held or ramped from one time to another, sampled every step (times in seconds).
struct PowerRun
{
    measure::Key key = measure::Key::P;
    double fromWatts = 0;
    double toWatts = 0;
    qint64 fromS = 0;
    qint64 toS = 0;
    qint64 stepS = 2;
    measure::State state = measure::State::Value;
};

inline measure::Reading powerReading(measure::Key key, double watts, qint64 ms,
                                     measure::State state = measure::State::Value)
{
    measure::Reading reading;
    reading.kind = 0;
    reading.index = key == measure::Key::P ? 3 : 0; // the integrator goes by the keys
    reading.receivedMs = ms;
    reading.count = 1;
    reading.quantities[0] = {key, state, false, watts};
    return reading;
}

// Feeds the runs in order; what they added comes back.
inline std::vector<energy::Increment> feed(energy::EnergyIntegrator& integrator,
                                           const QList<PowerRun>& runs)
{
    std::vector<energy::Increment> added;
    for (const PowerRun& run : runs) {
        for (qint64 s = run.fromS; s <= run.toS; s += run.stepS) {
            const double part =
                run.toS == run.fromS ? 0.0 : double(s - run.fromS) / (run.toS - run.fromS);
            const double watts = run.fromWatts + (run.toWatts - run.fromWatts) * part;
            for (const energy::Increment& inc :
                 integrator.add(powerReading(run.key, watts, s * 1000, run.state)))
                added.push_back(inc);
        }
    }
    return added;
}

} // namespace korvane::testing

Q_DECLARE_METATYPE(korvane::testing::PowerRun)
