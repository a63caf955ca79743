// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"

#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

namespace korvane::datalog {

// One quantity over one interval. The mean is the root mean square for voltages and currents,
// the arithmetic mean for powers, frequency and the sequence code, ΣP / ΣS for a power factor
// (over the frames that brought its P and S with it, with the sign most of its samples had; the
// arithmetic mean where none did), and the circular mean for angles (none when they cancel out).
// Minimum and maximum are plain, for angles too.
struct QuantityStats
{
    measure::Key key = measure::Key::U1;
    int count = 0;     // samples with a value
    int overloads = 0; // samples shown as "OL"; never part of min, mean or max
    double min = 0;
    double max = 0;
    std::optional<double> mean;
};

// An interval [startMs, endMs) aligned to UTC; partial when the statistics did not see all of
// it: they started or stopped inside it, or the live frames had a gap in it.
struct IntervalSummary
{
    qint64 startMs = 0;
    qint64 endMs = 0;
    qint64 firstSampleMs = 0; // when its first reading came
    bool partial = false;
    std::vector<QuantityStats> quantities; // in key order, only those with samples or overloads
};

// Statistics of live readings per interval of a fixed length that divides a day (1, 10, 15
// minutes). Each call that moves time past the current interval's end hands back that
// interval's summary, if it had any samples.
class IntervalStats
{
public:
    IntervalStats(qint64 lengthMs, qint64 startMs);

    std::optional<IntervalSummary> add(const measure::Reading& reading);
    // The live frames stopped or came back at ms: the interval holding ms is partial.
    std::optional<IntervalSummary> markGap(qint64 ms);
    // Time went on without readings: closes the current interval once ms reaches its end.
    std::optional<IntervalSummary> advanceTo(qint64 ms);
    // The statistics end at ms: what the current interval has so far, partial if it is not over.
    std::optional<IntervalSummary> finish(qint64 ms);

    qint64 currentEnd() const { return m_start + m_length; }

private:
    struct Sums
    {
        int count = 0;
        int overloads = 0;
        double min = 0;
        double max = 0;
        double sum = 0;
        double squares = 0;
        double sin = 0;
        double cos = 0;
        // Power factors: the P and S that came in the same frames.
        int pairs = 0;
        int negatives = 0;
        double activeSum = 0;
        double apparentSum = 0;
    };

    qint64 intervalStart(qint64 ms) const;
    std::optional<IntervalSummary> close(qint64 ms);
    void begin(qint64 start, bool partial);
    QuantityStats stats(measure::Key key, const Sums& sums) const;

    qint64 m_length;
    qint64 m_start;
    bool m_partial;
    qint64 m_firstSampleMs = -1;
    std::array<Sums, measure::kKeyCount> m_sums{};
};

} // namespace korvane::datalog
