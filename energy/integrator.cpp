// SPDX-License-Identifier: GPL-3.0-or-later
#include "energy/integrator.h"

#include <algorithm>
#include <utility>

namespace korvane::energy {

namespace {
using measure::Key;

struct EnergyKeyInfo
{
    QStringView name;
    Key power;
};
constexpr std::array<EnergyKeyInfo, kEnergyKeyCount> kEnergyKeys{{
    {u"E1", Key::P1},
    {u"E2", Key::P2},
    {u"E3", Key::P3},
    {u"E", Key::P},
}};
static_assert(kEnergyKeys.size() == kEnergyKeyCount);

std::optional<EnergyKey> energyKeyOf(Key power)
{
    for (int i = 0; i < kEnergyKeyCount; ++i) {
        if (kEnergyKeys[std::size_t(i)].power == power)
            return EnergyKey(i);
    }
    return std::nullopt;
}

constexpr double kMsPerHour = 3'600'000.0;
} // namespace

QStringView energyKeyName(EnergyKey key)
{
    return kEnergyKeys[std::size_t(key)].name;
}

measure::Key powerKeyOf(EnergyKey key)
{
    return kEnergyKeys[std::size_t(key)].power;
}

std::vector<Increment> EnergyIntegrator::add(const measure::Reading& reading)
{
    std::vector<Increment> added;
    m_lastReadingMs = reading.receivedMs;
    m_linkLost = false;
    for (const measure::Quantity& q : reading.values()) {
        const std::optional<EnergyKey> key = energyKeyOf(q.key);
        // An undefined code tells nothing about the power: the interval runs on to the next one.
        if (!key || q.state == measure::State::Undefined)
            continue;
        const Sample now{reading.receivedMs, std::max(0.0, q.value),
                         q.state == measure::State::Overload, true};
        Sample& last = m_last[std::size_t(*key)];
        if (!m_totals.sinceMs)
            m_totals.sinceMs = now.ms;
        if (!last.seen) {
            last = now;
            continue;
        }
        const qint64 span = now.ms - last.ms;
        if (span == 0)
            continue; // the same instant twice adds nothing
        if (span < 0)
            addGap(*key, now.ms, last.ms, GapReason::TimeWentBack);
        else if (span > kLongestInterval.count())
            addGap(*key, last.ms, now.ms, GapReason::TooLong);
        else if (last.overload || now.overload)
            addGap(*key, last.ms, now.ms, GapReason::Overload);
        else {
            const double wh = (last.watts + now.watts) / 2.0 * double(span) / kMsPerHour;
            m_totals.wh[std::size_t(*key)] += wh;
            added.push_back({*key, last.ms, now.ms, wh});
        }
        last = now;
    }
    return added;
}

void EnergyIntegrator::addGap(EnergyKey key, qint64 fromMs, qint64 toMs, GapReason why)
{
    const auto previous = std::find_if(m_gaps.rbegin(), m_gaps.rend(),
                                       [key](const Gap& gap) { return gap.key == key; });
    if (previous != m_gaps.rend() && previous->why == why && previous->toMs == fromMs) {
        previous->toMs = toMs;
        return;
    }
    m_gaps.push_back({key, fromMs, toMs, why});
}

std::vector<Gap> EnergyIntegrator::takeGaps()
{
    return std::exchange(m_gaps, {});
}

std::optional<Idle> EnergyIntegrator::notAccumulating(qint64 nowMs) const
{
    const auto recent = [nowMs](qint64 ms) { return nowMs - ms <= kLongestInterval.count(); };
    bool overload = false;
    for (const Sample& s : m_last) {
        if (!s.seen || !recent(s.ms))
            continue;
        if (!s.overload)
            return std::nullopt;
        overload = true;
    }
    if (m_linkLost)
        return Idle::LinkLost;
    if (!m_lastReadingMs || !recent(*m_lastReadingMs))
        return Idle::NoReadings;
    return overload ? Idle::Overload : Idle::NoPower;
}

void EnergyIntegrator::restore(const Totals& totals)
{
    m_totals = totals;
    m_last = {};
}

void EnergyIntegrator::reset(qint64 nowMs)
{
    m_totals = {};
    m_totals.sinceMs = nowMs;
    m_last = {};
}

} // namespace korvane::energy
