// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <vector>

namespace korvane::energy {

// A price for part of each local day, [fromMinute, toMinute) after midnight; a window that ends
// before it begins runs over midnight (22:00-06:00).
struct PriceWindow
{
    int fromMinute = 0;
    int toMinute = 0;
    double pricePerKwh = 0;

    bool contains(int msOfDay) const;
};

// The prices in effect from a local date until the next period's date.
struct TariffPeriod
{
    QDate from;
    double pricePerKwh = 0; // outside every window
    std::vector<PriceWindow> windows;
    double standingPerDay = 0;
};

// The file format is in energy/README.md.
struct Tariff
{
    QString currency;
    std::vector<TariffPeriod> periods; // by date, ascending

    // The period in effect on a local date; none before the first.
    const TariffPeriod* periodOn(QDate date) const;
    // The price of a kWh consumed at that instant, none before the first period.
    std::optional<double> pricePerKwh(qint64 ms, const QTimeZone& zone) const;
    // The standing charges of every local calendar day that [fromMs, toMs) touches, each at the
    // period in effect on that day.
    double standingCharge(qint64 fromMs, qint64 toMs, const QTimeZone& zone) const;
};

struct TariffError
{
    int line = 0; // 1-based; 0 for the file as a whole
    QString key;  // the key or section at fault, if any
    QString message;

    QString text() const; // "line 7, price 22:00-06:00: not a number: "abc""
};

struct ParsedTariff
{
    std::optional<Tariff> tariff;
    TariffError error; // when there is no tariff
};

ParsedTariff parseTariff(QByteArrayView text);
ParsedTariff readTariff(const QString& path);

// An amount with two decimals and the currency after it: "12.30 EUR".
QString formatAmount(double amount, const QString& currency);

} // namespace korvane::energy
