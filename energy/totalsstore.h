// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "energy/cost.h"
#include "energy/integrator.h"

#include <QString>

#include <chrono>
#include <optional>

namespace korvane::energy {

// A killed program loses at most this much energy; the disk is not written more often.
constexpr std::chrono::milliseconds kSavePeriod{60'000};

struct LoadedTotals
{
    Totals totals;                      // zero when there was no file or it could not be read
    std::optional<PricedEnergy> priced; // the cost, when one was saved with them
    QString error;                      // empty, or why the file's totals were not taken
    bool found = false;                 // a file was there
};

// One meter's totals in a file of their own in the caller's folder. A one-shot save: each write
// replaces the file whole (QSaveFile), so a crash leaves the old totals or the new ones.
class TotalsStore
{
public:
    TotalsStore(QString folder, QString meterId);

    QString path() const;
    LoadedTotals load() const;
    // Writes now; an empty result or the reason it failed.
    QString save(const Totals& totals, const std::optional<PricedEnergy>& priced = {});
    // Writes when nothing was written yet or kSavePeriod has passed since (by the readings'
    // clock or an injected one); nothing when not due.
    std::optional<QString> saveIfDue(const Totals& totals, qint64 nowMs,
                                     const std::optional<PricedEnergy>& priced = {});

private:
    QString m_folder;
    QString m_meterId;
    std::optional<qint64> m_savedAtMs;
};

} // namespace korvane::energy
