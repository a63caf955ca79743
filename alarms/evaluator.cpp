// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/evaluator.h"

#include "measure/snapshot.h"

#include <limits>

namespace korvane::alarms {

using measure::State;

Evaluator::Evaluator(std::vector<Rule> rules, Clock clock)
    : m_rules(std::move(rules)), m_states(m_rules.size()), m_clock(std::move(clock)),
      m_startMs(m_clock())
{}

QList<AlarmEvent> Evaluator::onReading(const measure::Reading& reading)
{
    QList<AlarmEvent> out;
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        for (const measure::Quantity& q : reading.values()) {
            if (q.key == m_rules[i].key)
                evaluate(i, q, reading.receivedMs, out);
        }
    }
    checkSilence(reading.receivedMs, out);
    return out;
}

QList<AlarmEvent> Evaluator::checkSilence()
{
    QList<AlarmEvent> out;
    checkSilence(m_clock(), out);
    return out;
}

void Evaluator::onLinkLost()
{
    // A silent rule goes on counting from its key's last sample.
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        if (m_rules[i].condition != Condition::Silent) {
            m_states[i].heldSinceMs.reset();
            m_states[i].lastSampleMs.reset();
        }
    }
}

void Evaluator::evaluate(std::size_t i, const measure::Quantity& q, qint64 ms,
                         QList<AlarmEvent>& out)
{
    const Rule& rule = m_rules[i];
    RuleState& s = m_states[i];
    const auto event = [&](AlarmState state) {
        s.raised = state == AlarmState::Raised;
        out.append({ms, rule, state, q.hasValue() ? std::optional<double>(q.value) : std::nullopt,
                    q.state == State::Overload});
    };
    if (rule.condition == Condition::Silent) {
        // Any sample is a sign of the key, whether it holds a number or not.
        s.lastSampleMs = ms;
        if (s.raised)
            event(AlarmState::Cleared);
        return;
    }
    if (q.state == State::Undefined)
        return; // the meter shows no number: nothing is known
    // An overload is beyond the meter's range, so above any threshold.
    const double v = q.state == State::Overload ? std::numeric_limits<double>::infinity() : q.value;
    const bool above = rule.condition == Condition::Above;
    const bool holds = above ? v > rule.threshold : v < rule.threshold;

    if (s.raised) {
        const bool cleared = rule.clear ? (above ? v < *rule.clear : v > *rule.clear) : !holds;
        if (cleared) {
            s.heldSinceMs.reset();
            event(AlarmState::Cleared);
        }
    } else if (!holds) {
        s.heldSinceMs.reset();
    } else {
        const bool gap = s.lastSampleMs && ms - *s.lastSampleMs > measure::kStaleAfter.count();
        if (!s.heldSinceMs || gap)
            s.heldSinceMs = ms;
        if (ms - *s.heldSinceMs >= rule.duration.count())
            event(AlarmState::Raised);
    }
    s.lastSampleMs = ms;
}

void Evaluator::checkSilence(qint64 nowMs, QList<AlarmEvent>& out)
{
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        const Rule& rule = m_rules[i];
        RuleState& s = m_states[i];
        if (rule.condition != Condition::Silent || s.raised)
            continue;
        const qint64 since = s.lastSampleMs.value_or(m_startMs);
        if (nowMs - since >= rule.duration.count()) {
            s.raised = true;
            out.append({nowMs, rule, AlarmState::Raised, std::nullopt, false});
        }
    }
}

} // namespace korvane::alarms
