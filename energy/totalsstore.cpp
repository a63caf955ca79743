// SPDX-License-Identifier: GPL-3.0-or-later
#include "energy/totalsstore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUrl>

#include <cmath>

namespace korvane::energy {

namespace {
constexpr int kFormatVersion = 1;

QString fileNameFor(const QString& meterId)
{
    // Percent-encoding keeps distinct ids distinct and a '/' out of the name.
    return QStringLiteral("energy-%1.json")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(meterId)));
}
} // namespace

TotalsStore::TotalsStore(QString folder, QString meterId)
    : m_folder(std::move(folder)), m_meterId(std::move(meterId))
{}

QString TotalsStore::path() const
{
    return QDir(m_folder).filePath(fileNameFor(m_meterId));
}

LoadedTotals TotalsStore::load() const
{
    LoadedTotals loaded;
    QFile file(path());
    if (!file.exists())
        return loaded;
    loaded.found = true;
    const auto fail = [&](const QString& why) {
        loaded.error = QStringLiteral("%1: %2").arg(file.fileName(), why);
        return loaded;
    };
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("not a totals file (%1 at byte %2)")
                        .arg(parseError.errorString())
                        .arg(parseError.offset));
    const QJsonObject root = doc.object();
    if (!doc.isObject() || root.value(u"version").toInt() != kFormatVersion)
        return fail(QStringLiteral("not a totals file of version %1").arg(kFormatVersion));
    if (root.value(u"meter").toString() != m_meterId)
        return fail(QStringLiteral("the totals of meter \"%1\", not \"%2\"")
                        .arg(root.value(u"meter").toString(), m_meterId));
    Totals totals;
    // null: nothing was counted yet
    const QJsonValue since = root.value(u"sinceMs");
    if (since.isDouble() && std::isfinite(since.toDouble()))
        totals.sinceMs = qint64(since.toDouble());
    else if (!since.isNull())
        return fail(QStringLiteral("\"sinceMs\" is missing or not a time"));
    for (int i = 0; i < kEnergyKeyCount; ++i) {
        const QString name = energyKeyName(EnergyKey(i)).toString();
        const QJsonValue value = root.value(name);
        if (!value.isDouble() || !std::isfinite(value.toDouble()) || value.toDouble() < 0)
            return fail(QStringLiteral("\"%1\" is missing or not an energy").arg(name));
        totals.wh[std::size_t(i)] = value.toDouble();
    }
    if (root.contains(u"cost")) {
        const QJsonObject cost = root.value(u"cost").toObject();
        const QJsonValue amount = cost.value(u"energy");
        const QJsonValue unpriced = cost.value(u"unpricedWh");
        if (cost.value(u"currency").toString().isEmpty() || !amount.isDouble() ||
            amount.toDouble() < 0 || !unpriced.isDouble() || unpriced.toDouble() < 0)
            return fail(QStringLiteral("\"cost\" is not a currency with amounts"));
        loaded.priced = PricedEnergy{cost.value(u"currency").toString(), amount.toDouble(),
                                     unpriced.toDouble()};
    }
    loaded.totals = totals;
    return loaded;
}

QString TotalsStore::save(const Totals& totals, const std::optional<PricedEnergy>& priced)
{
    if (!QDir().mkpath(m_folder))
        return QStringLiteral("%1: cannot create the folder").arg(m_folder);
    QJsonObject root{{QStringLiteral("version"), kFormatVersion},
                     {QStringLiteral("meter"), m_meterId},
                     {QStringLiteral("sinceMs"),
                      totals.sinceMs ? QJsonValue(double(*totals.sinceMs)) : QJsonValue()}};
    for (int i = 0; i < kEnergyKeyCount; ++i)
        root.insert(energyKeyName(EnergyKey(i)).toString(), totals.wh[std::size_t(i)]);
    if (priced)
        root.insert(QStringLiteral("cost"),
                    QJsonObject{{QStringLiteral("currency"), priced->currency},
                                {QStringLiteral("energy"), priced->energyCost},
                                {QStringLiteral("unpricedWh"), priced->unpricedWh}});
    QSaveFile file(path());
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("%1: %2").arg(path(), file.errorString());
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return QStringLiteral("%1: %2").arg(path(), file.errorString());
    return {};
}

std::optional<QString> TotalsStore::saveIfDue(const Totals& totals, qint64 nowMs,
                                              const std::optional<PricedEnergy>& priced)
{
    // A clock set back counts as due, or the next save could be hours away.
    if (m_savedAtMs && nowMs >= *m_savedAtMs && nowMs - *m_savedAtMs < kSavePeriod.count())
        return std::nullopt;
    m_savedAtMs = nowMs;
    return save(totals, priced);
}

} // namespace korvane::energy
