// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/alarmevent.h"
#include "measure/reading.h"

#include <QList>

#include <functional>
#include <vector>

namespace korvane::alarms {

// Watches readings against a set of rules and says when each is raised or cleared.
// A value rule is raised at the first sample at which its condition has held for its duration,
// as seen in samples of its key: a lost link, or samples more than measure::kStaleAfter apart,
// start the timing again, since nobody saw what happened in between. A lost link neither raises
// nor clears it. A silent rule is raised once its key has not come for its duration (counted
// from the start, or from the key's last sample) and cleared by the next sample.
class Evaluator
{
public:
    // Milliseconds since the epoch, UTC; for silent rules, which raise while nothing comes.
    using Clock = std::function<qint64()>;

    Evaluator(std::vector<Rule> rules, Clock clock);

    const std::vector<Rule>& rules() const { return m_rules; }
    bool isRaised(std::size_t rule) const { return m_states[rule].raised; }

    QList<AlarmEvent> onReading(const measure::Reading& reading);
    // Silent rules against the clock; call it while no readings come (a second's timer).
    QList<AlarmEvent> checkSilence();
    void onLinkLost();

private:
    struct RuleState
    {
        bool raised = false;
        std::optional<qint64> heldSinceMs; // value rules: when the condition began
        std::optional<qint64> lastSampleMs;
    };

    void evaluate(std::size_t i, const measure::Quantity& q, qint64 ms, QList<AlarmEvent>& out);
    void checkSilence(qint64 nowMs, QList<AlarmEvent>& out);

    std::vector<Rule> m_rules;
    std::vector<RuleState> m_states;
    Clock m_clock;
    qint64 m_startMs;
};

} // namespace korvane::alarms
