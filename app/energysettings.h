// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "energy/tariff.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

namespace korvane::app {

// Whether the window counts energy, and the tariff file its cost comes from (none: no cost).
struct EnergySetting
{
    bool on = false;
    QString tariffPath;

    bool operator==(const EnergySetting&) const = default;
};

// The window's energy setting, kept in the program's settings; off until chosen.
class EnergySettings
{
    Q_DECLARE_TR_FUNCTIONS(EnergySettings)

public:
    static EnergySetting load();
    static void save(const EnergySetting& setting);

    // The tariff the setting names, or why it cannot be had ("home.ini, line 7, ...").
    struct LoadedTariff
    {
        std::optional<energy::Tariff> tariff;
        QString problem;
    };
    static LoadedTariff tariffOf(const EnergySetting& setting);
};

} // namespace korvane::app
