// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/rule.h"

#include <optional>

namespace korvane::alarms {

enum class AlarmState : quint8 { Raised, Cleared };

// A rule raised or cleared, and the sample that did it. A silent rule raises with no sample;
// an overload ("OL") counts as above every threshold and carries no number.
struct AlarmEvent
{
    qint64 ms = 0; // milliseconds since the epoch, UTC: the sample's time, or the clock's
    Rule rule;
    AlarmState state = AlarmState::Raised;
    std::optional<double> value;
    bool overload = false;

    measure::Key key() const { return rule.key; }
};

} // namespace korvane::alarms
