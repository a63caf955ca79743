// SPDX-License-Identifier: GPL-3.0-or-later
#include "energy/cost.h"

namespace korvane::energy {

CostCounter::CostCounter(Tariff tariff, QTimeZone zone)
    : m_tariff(std::move(tariff)), m_zone(std::move(zone))
{}

void CostCounter::add(const Increment& increment)
{
    if (increment.key != EnergyKey::E)
        return;
    const qint64 middle = increment.fromMs + (increment.toMs - increment.fromMs) / 2;
    if (const std::optional<double> price = m_tariff.pricePerKwh(middle, m_zone))
        m_energyCost += increment.wh / 1000.0 * *price;
    else
        m_unpricedWh += increment.wh;
}

void CostCounter::add(const std::vector<Increment>& increments)
{
    for (const Increment& increment : increments)
        add(increment);
}

double CostCounter::cost(qint64 sinceMs, qint64 nowMs) const
{
    return m_energyCost + m_tariff.standingCharge(sinceMs, nowMs, m_zone);
}

} // namespace korvane::energy
