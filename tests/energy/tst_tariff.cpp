// SPDX-License-Identifier: GPL-3.0-or-later
// The tariff file, prices by local time and date, standing charges and amounts in the currency,
// in a zone with summer time. The energy itself is tst_integrator's.
#include "energy/cost.h"
#include "energy/tariff.h"
#include "readings.h"

#include <QDateTime>
#include <QTest>

using namespace korvane::energy;

namespace {
// Dearer from 3 January, and the midday window ends then.
constexpr QByteArrayView kTariff = R"(# Household tariff
currency = EUR

[from 2026-01-01]
standing = 0.40
price = 0.30
price 22:00-06:00 = 0.20
price 12:00-14:00 = 0.25

; new prices
[from 2026-01-03]
standing = 0.50
price = 0.36
price 22:00-06:00 = 0.24
)";

qint64 local(const QString& text, const QTimeZone& zone)
{
    QDateTime at = QDateTime::fromString(text, Qt::ISODate);
    at.setTimeZone(zone);
    return at.toMSecsSinceEpoch();
}
} // namespace

class TstTariff : public QObject
{
    Q_OBJECT
private slots:
    // A steady power from one local time to another, sampled every 5 s, priced by kTariff.
    void costMatchesTheHandCalculation_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<double>("watts");
        QTest::addColumn<double>("cost");
        QTest::addColumn<double>("unpricedWh");
        // 1 kWh at 0.25 + standing 0.40 (2 January)
        QTest::newRow("midday window") << "2026-01-02T13:00:00"
                                       << "2026-01-02T13:30:00" << 2000.0 << 0.65 << 0.0;
        // 2 kWh at 0.30 + 2 at 0.20 on the 2nd, then 6 at the new night price 0.24 and 2 at
        // 0.36 = 3.16; standing 0.40 + 0.50
        QTest::newRow("evening into a price change")
            << "2026-01-02T20:00:00"
            << "2026-01-03T08:00:00" << 1000.0 << 4.06 << 0.0;
        // 100 Wh in 10 s: 30 Wh at 0.20 before midnight, 70 Wh at 0.24 after; standing 0.90
        QTest::newRow("seconds before a price change keep the old price")
            << "2026-01-02T23:59:57"
            << "2026-01-03T00:00:07" << 36000.0 << 0.9228 << 0.0;
        // 1 kWh before the first date has no price; 1 kWh at 0.20 + standing 0.40 (1 January)
        QTest::newRow("before the first date") << "2025-12-31T23:00:00"
                                               << "2026-01-01T01:00:00" << 1000.0 << 0.60 << 1000.0;
        // 02:00 does not exist on 29 March: 7 h, 7 kWh at 0.24 + two days' standing 1.00
        QTest::newRow("summer time begins") << "2026-03-28T22:00:00"
                                            << "2026-03-29T06:00:00" << 1000.0 << 2.68 << 0.0;
        // 1 kWh at 0.24 + standing 0.50: ending at midnight begins no day
        QTest::newRow("up to midnight") << "2026-01-05T23:00:00"
                                        << "2026-01-06T00:00:00" << 1000.0 << 0.74 << 0.0;
    }
    void costMatchesTheHandCalculation()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(double, watts);
        QFETCH(double, cost);
        QFETCH(double, unpricedWh);
        const QTimeZone berlin("Europe/Berlin");
        QVERIFY(berlin.isValid());
        const ParsedTariff parsed = parseTariff(kTariff);
        QVERIFY2(parsed.tariff, qPrintable(parsed.error.text()));
        const qint64 fromMs = local(from, berlin);
        const qint64 toMs = local(to, berlin);

        EnergyIntegrator integrator;
        CostCounter counter(*parsed.tariff, berlin);
        for (qint64 ms = fromMs; ms <= toMs; ms += 5000)
            counter.add(integrator.add(
                korvane::testing::powerReading(korvane::measure::Key::P, watts, ms)));
        QVERIFY2(qAbs(counter.cost(fromMs, toMs) - cost) < 1e-6,
                 qPrintable(QString::number(counter.cost(fromMs, toMs), 'f', 6)));
        QVERIFY(qAbs(counter.unpricedWh() - unpricedWh) < 1e-6);
    }

    void badTariffNamesLineAndKey_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        const QByteArray head = "\xef\xbb\xbf currency = EUR\r\n[from 2026-01-01]\n";
        QTest::newRow("no currency")
            << QByteArray("[from 2026-01-01]\nprice = 0.3\n") << 0 << "currency"
            << "no currency";
        QTest::newRow("decimal comma") << head + "price = 0,30\n"
                                       << 3 << "price"
                                       << "not a price: \"0,30\"";
        QTest::newRow("hour 25") << head + "price = 0.3\nprice 25:00-06:00 = 0.2\n"
                                 << 4 << "price 25:00-06:00"
                                 << "expected a window";
        QTest::newRow("windows overlap")
            << head + "price = 0.3\nprice 22:00-06:00 = 0.2\nprice 05:00-07:00 = 0.1\n"
            << 5 << "price 05:00-07:00"
            << "overlaps";
        QTest::newRow("a price twice") << head + "price = 0.3\nprice = 0.4\n"
                                       << 4 << "price"
                                       << "given twice";
        QTest::newRow("dates out of order")
            << QByteArray("currency = EUR\n[from 2026-02-01]\nprice = 1\n[from 2026-01-01]\n") << 4
            << "[from 2026-01-01]"
            << "dates must follow";
        QTest::newRow("a period without price")
            << head + "standing = 0.4\n\n[from 2026-02-01]\nprice = 1\n"
            << 2 << "[from 2026-01-01]"
            << "no price";
    }
    void badTariffNamesLineAndKey()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        const ParsedTariff parsed = parseTariff(text);
        QVERIFY(!parsed.tariff);
        QTEST(parsed.error.line, "line");
        QTEST(parsed.error.key, "key");
        QVERIFY2(parsed.error.message.contains(message), qPrintable(parsed.error.text()));
    }

    void amountsHaveTwoDecimalsAndTheCurrency_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0.00 EUR";
        QTest::newRow("a tiny negative is no -0.00") << -0.004 << "0.00 EUR";
        QTest::newRow("half a cent rounds up") << 0.125 << "0.13 EUR";
        QTest::newRow("no grouping") << 1234.5 << "1234.50 EUR";
    }
    void amountsHaveTwoDecimalsAndTheCurrency()
    {
        QFETCH(double, amount);
        QTEST(formatAmount(amount, QStringLiteral("EUR")), "text");
    }
};

QTEST_GUILESS_MAIN(TstTariff)
#include "tst_tariff.moc"
