// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"
#include "measure/snapshot.h"

#include <QString>

#include <array>
#include <limits>
#include <optional>
#include <vector>

namespace korvane::measure {

// What the power-meter screen keeps between readings beyond the snapshot: the lowest and highest
// value of every quantity since start or since the user's Reset, and the index and clock of the
// latest type-3 frame. Fed every reading; an overload or an undefined code has no number and
// leaves the range as it was.
class OverviewTracker
{
public:
    struct Range
    {
        double min = 0;
        double max = 0;
        bool seen = false;
    };

    void add(const Reading& reading);
    void resetMinMax() { m_ranges = {}; }

    const Range& range(Key key) const { return m_ranges[std::size_t(key)]; }
    // The latest type-3 frame's index, its clock and when it came; nullopt before the first.
    const std::optional<Reading>& latestType3() const { return m_type3; }

private:
    std::array<Range, kKeyCount> m_ranges{};
    std::optional<Reading> m_type3;
};

struct OverviewCell
{
    std::optional<Key> key;         // none: a cell the screen leaves empty (the totals of U and I)
    State state = State::Undefined; // Undefined until the first value or overload
    double value = std::numeric_limits<double>::quiet_NaN(); // in the row's unit (kW, not W)
    QString text;                   // fixed decimals, "OL", or empty before the first reading
    std::optional<double> min, max; // in the row's unit
    QString minText, maxText;
    qint64 receivedMs = 0; // 0 before the first reading
    bool stale = true;     // nothing yet, older than kStaleAfter, or the link lost since
};

struct OverviewRow
{
    QString name; // "U", "PF", "F", "U4" (a type-3 row with its index + 1)...
    QString unit; // "V", "kW"; empty for a plain number
    int decimals = 0;
    std::vector<OverviewCell> cells;
};

struct OverviewTable
{
    // U, I, PF, P, Q, S; cells L1, L2, L3, Total.
    std::array<OverviewRow, 6> grid;
    // I (of the voltage frame), F, the phase sequence and the angles of U1, U2, U3 and I; one
    // cell each.
    std::vector<OverviewRow> details;
    // U, I, PF, P and W of the latest type-3 frame, one cell each, named with its index + 1.
    std::vector<OverviewRow> type3;
    int type3Number = 0; // the index + 1 as the captions show it, 1..256; 0 before the first
    QString meterClock;  // "12:5:9", empty before the first type-3 frame
    qint64 type3ReceivedMs = 0;
    bool type3Stale = true;
};

// The screen as it stands at nowMs. A row shares one unit: when the meter shows any of its cells
// in the kilo unit (an overload included, which it shows as "OLkW"), the whole row is in kilo and
// the other cells are divided by 1000, so the numbers of a row line up. Numbers take a fixed count
// of decimals per row (U 1, I 2, PF 3, P/Q/S/W 2, F 2, angles 1) and the decimal separator of the
// default locale.
OverviewTable overviewTable(const Snapshot& snapshot, const OverviewTracker& tracker, qint64 nowMs,
                            bool linkLost);

} // namespace korvane::measure
