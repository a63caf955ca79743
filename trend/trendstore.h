// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"
#include "trend/series.h"

#include <array>

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
    std::size_t memoryBytes() const;

private:
    std::array<Series, measure::kKeyCount> m_series;
};

} // namespace korvane::trend
