// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/energysettings.h"

#include <QFileInfo>
#include <QSettings>

namespace korvane::app {

EnergySetting EnergySettings::load()
{
    QSettings settings;
    return {settings.value("energy/on", false).toBool(),
            settings.value("energy/tariff").toString()};
}

void EnergySettings::save(const EnergySetting& setting)
{
    QSettings settings;
    settings.setValue("energy/on", setting.on);
    settings.setValue("energy/tariff", setting.tariffPath);
}

EnergySettings::LoadedTariff EnergySettings::tariffOf(const EnergySetting& setting)
{
    if (!setting.on || setting.tariffPath.trimmed().isEmpty())
        return {};
    energy::ParsedTariff parsed = energy::readTariff(setting.tariffPath);
    if (parsed.tariff)
        return {std::move(parsed.tariff), {}};
    return {std::nullopt,
            tr("Tariff %1: %2").arg(QFileInfo(setting.tariffPath).fileName(), parsed.error.text())};
}

} // namespace korvane::app
