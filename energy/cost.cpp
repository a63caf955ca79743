// SPDX-License-Identifier: GPL-3.0-or-later
#include "energy/cost.h"

#include <algorithm>

namespace korvane::energy {

namespace {
// Time zones lie whole minutes from UTC, so local minutes begin where UTC minutes do.
constexpr qint64 kMsPerMinute = 60'000;
} // namespace

CostCounter::CostCounter(Tariff tariff, QTimeZone zone)
    : m_tariff(std::move(tariff)), m_zone(std::move(zone))
{}

void CostCounter::add(const Increment& increment)
{
    if (increment.key != EnergyKey::E)
        return;
    const qint64 span = increment.toMs - increment.fromMs;
    if (span <= 0)
        return;
    // The energy is taken as spread evenly over the increment's few seconds.
    for (qint64 from = increment.fromMs; from < increment.toMs;) {
        const qint64 to = std::min(increment.toMs, (from / kMsPerMinute + 1) * kMsPerMinute);
        const double wh = increment.wh * double(to - from) / double(span);
        if (const std::optional<double> price = m_tariff.pricePerKwh(from, m_zone))
            m_energyCost += wh / 1000.0 * *price;
        else
            m_unpricedWh += wh;
        from = to;
    }
}

void CostCounter::add(const std::vector<Increment>& increments)
{
    for (const Increment& increment : increments)
        add(increment);
}

bool CostCounter::restore(const PricedEnergy& priced)
{
    if (priced.currency != m_tariff.currency)
        return false;
    m_energyCost = priced.energyCost;
    m_unpricedWh = priced.unpricedWh;
    return true;
}

void CostCounter::reset()
{
    m_energyCost = 0;
    m_unpricedWh = 0;
}

double CostCounter::cost(qint64 sinceMs, qint64 nowMs) const
{
    return m_energyCost + m_tariff.standingCharge(sinceMs, nowMs, m_zone);
}

} // namespace korvane::energy
