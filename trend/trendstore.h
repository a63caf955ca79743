// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"
#include "trend/series.h"

#include <QString>

#include <array>
#include <deque>

namespace korvane::trend {

// Every quantity's series since start, so that a trend can show any of them over any span.
// An overload is no number: it ends that quantity's line, as a gap does; so does a quantity
// that has not come for ten seconds.
class TrendStore
{
public:
    void add(const measure::Reading& reading);
    // No readings for a while (link lost, only keep-alives asked for): every line ends.
    void breakAll();

    const Series& series(measure::Key key) const { return m_series[std::size_t(key)]; }

    // Quantities the program derives beside the meter's (energy, cost), by name with their
    // unit, in the order first used. A derived series is made on first use and stays where it
    // is; breakAll() ends its line too.
    struct Derived
    {
        QString name;
        QString unit;
        Series series;
    };
    Series& derived(const QString& name, const QString& unit);
    // Null when nothing of that name was ever added.
    const Series* findDerived(const QString& name) const;
    const std::deque<Derived>& derivedSeries() const { return m_derived; }

    std::size_t memoryBytes() const;

private:
    std::array<Series, measure::kKeyCount> m_series;
    std::deque<Derived> m_derived;
};

} // namespace korvane::trend
