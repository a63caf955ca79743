// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"

#include <array>
#include <chrono>

namespace korvane::measure {

// Entries older than this show greyed on every page: the meter answers twice a second, and a frame
// kind comes round every few seconds.
constexpr std::chrono::milliseconds kStaleAfter{10'000};

// The latest of every quantity with the time it was received, whatever frame brought it: the
// phasor needs the type-2 angles with the type-1 magnitudes. A quantity with an undefined code
// leaves what it had, as the display does; a lost link leaves everything, and each entry's time
// tells how old it is.
class Snapshot
{
public:
    struct Entry
    {
        Quantity quantity;
        qint64 receivedMs = 0;
        bool seen = false;
    };

    void update(const Reading& reading);
    void clear() { m_entries = {}; }
    const Entry& latest(Key key) const { return m_entries[std::size_t(key)]; }

private:
    std::array<Entry, kKeyCount> m_entries{};
};

} // namespace korvane::measure
