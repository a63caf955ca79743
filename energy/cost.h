// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "energy/integrator.h"
#include "energy/tariff.h"

namespace korvane::energy {

// What the energy so far cost, kept with the totals: a tariff changed later never reprices it.
struct PricedEnergy
{
    QString currency;
    double energyCost = 0;
    double unpricedWh = 0; // consumed before the tariff's first date
};

// The cost of the total energy E under a tariff, each increment priced at its local time. Prices
// change only on whole local minutes, so an increment split there is priced exactly, and a new
// price never reaches the seconds before it.
class CostCounter
{
public:
    CostCounter(Tariff tariff, QTimeZone zone);

    void add(const Increment& increment);
    void add(const std::vector<Increment>& increments);

    double energyCost() const { return m_energyCost; }
    // Energy consumed before the tariff's first date: no price applies to it.
    double unpricedWh() const { return m_unpricedWh; }
    // The energy's cost and the standing charges of the days [sinceMs, nowMs) touches.
    double cost(qint64 sinceMs, qint64 nowMs) const;
    const Tariff& tariff() const { return m_tariff; }

    PricedEnergy priced() const { return {m_tariff.currency, m_energyCost, m_unpricedWh}; }
    // Resumes a saved cost; one in another currency is not taken (false).
    bool restore(const PricedEnergy& priced);
    void reset();

private:
    Tariff m_tariff;
    QTimeZone m_zone;
    double m_energyCost = 0;
    double m_unpricedWh = 0;
};

} // namespace korvane::energy
