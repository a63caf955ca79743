// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/snapshot.h"

namespace korvane::measure {

void Snapshot::update(const Reading& reading)
{
    for (const Quantity& quantity : reading.values()) {
        if (quantity.state == State::Undefined)
            continue;
        m_entries[std::size_t(quantity.key)] = {quantity, reading.receivedMs, true};
    }
}

} // namespace korvane::measure
