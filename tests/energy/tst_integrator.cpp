// SPDX-License-Identifier: GPL-3.0-or-later
// Energy from the active powers: trapezoids, gaps, overloads, "not accumulating", totals and
// their cost kept on disk and resumed. Prices by time and date are tst_tariff's.
#include "energy/cost.h"
#include "energy/integrator.h"
#include "energy/totalsstore.h"
#include "readings.h"

#include <QTemporaryDir>
#include <QTest>

using namespace korvane::energy;
using korvane::measure::Key;
using korvane::measure::State;
using korvane::testing::PowerRun;

Q_DECLARE_METATYPE(korvane::energy::Gap)

namespace {
constexpr qint64 kS = 1000;
const QString kMeter = QStringLiteral("A1B2/usb serial");
} // namespace

class TstIntegrator : public QObject
{
    Q_OBJECT
private slots:
    void energyFollowsThePowers_data()
    {
        QTest::addColumn<QList<PowerRun>>("runs");
        QTest::addColumn<QList<double>>("wh"); // E1, E2, E3, E
        QTest::addColumn<QList<Gap>>("gaps");
        const auto hold = [](double w, qint64 from, qint64 to, qint64 step = 2, Key key = Key::P) {
            return PowerRun{key, w, w, from, to, step};
        };
        QTest::newRow("1 kW for an hour, 10 minutes silent, 3 kW for half an hour")
            << QList{hold(1000, 0, 3600), hold(3000, 4200, 6000)} << QList<double>{0, 0, 0, 2500}
            << QList{Gap{EnergyKey::E, 3600 * kS, 4200 * kS, GapReason::TooLong}};
        QTest::newRow("10 s apart still counts")
            << QList{hold(2000, 0, 600, 10)} << QList<double>{0, 0, 0, 2000.0 / 6} << QList<Gap>{};
        QTest::newRow("11 s apart: one gap, nothing counted")
            << QList{hold(2000, 0, 110, 11)} << QList<double>{0, 0, 0, 0}
            << QList{Gap{EnergyKey::E, 0, 110 * kS, GapReason::TooLong}};
        QTest::newRow("a minute of overload is one gap")
            << QList{hold(1000, 0, 600), PowerRun{Key::P, 0, 0, 602, 660, 2, State::Overload},
                     hold(1000, 662, 1200)}
            << QList<double>{0, 0, 0, 1000.0 * (600 + 538) / 3600}
            << QList{Gap{EnergyKey::E, 600 * kS, 662 * kS, GapReason::Overload}};
        QTest::newRow("an undefined code bridges, it is not a zero")
            << QList{hold(1000, 0, 4), PowerRun{Key::P, 0, 0, 6, 6, 2, State::Undefined},
                     hold(1000, 8, 3600)}
            << QList<double>{0, 0, 0, 1000} << QList<Gap>{};
        QTest::newRow("a ramp is integrated as trapezoids")
            << QList{PowerRun{Key::P, 0, 3600, 0, 3600, 10}} << QList<double>{0, 0, 0, 1800}
            << QList<Gap>{};
        QTest::newRow("phases apart from the total")
            << QList{hold(1000, 0, 3600, 2, Key::P1), hold(500, 0, 3600, 2, Key::P2),
                     hold(250, 0, 1800, 2, Key::P3), hold(1750, 0, 3600, 2, Key::P)}
            << QList<double>{1000, 500, 125, 1750} << QList<Gap>{};
        QTest::newRow("the clock set back: energy never goes backwards")
            << QList{hold(1000, 1000, 1600), hold(1000, 0, 600)}
            << QList<double>{0, 0, 0, 1200.0 / 3.6}
            << QList{Gap{EnergyKey::E, 0, 1600 * kS, GapReason::TimeWentBack}};
        QTest::newRow("a negative power counts as none")
            << QList{hold(-500, 0, 3600)} << QList<double>{0, 0, 0, 0} << QList<Gap>{};
    }
    void energyFollowsThePowers()
    {
        QFETCH(QList<PowerRun>, runs);
        QFETCH(QList<double>, wh);
        QFETCH(QList<Gap>, gaps);
        EnergyIntegrator integrator;
        double sum = 0;
        for (const Increment& inc : korvane::testing::feed(integrator, runs)) {
            QVERIFY(inc.wh >= 0);
            QVERIFY(inc.toMs - inc.fromMs <= kLongestInterval.count());
            sum += inc.key == EnergyKey::E ? inc.wh : 0;
        }
        for (int i = 0; i < kEnergyKeyCount; ++i)
            QVERIFY2(qAbs(integrator.totals().wh[std::size_t(i)] - wh[i]) <= 1.0,
                     qPrintable(QStringLiteral("%1 = %2 Wh")
                                    .arg(energyKeyName(EnergyKey(i)))
                                    .arg(integrator.totals().wh[std::size_t(i)])));
        QCOMPARE(sum, integrator.totals()[EnergyKey::E]);
        QCOMPARE(integrator.takeGaps(), (std::vector<Gap>(gaps.begin(), gaps.end())));
        QVERIFY(integrator.gaps().empty());
    }

    void saysWhyItIsNotAccumulating_data()
    {
        QTest::addColumn<QList<PowerRun>>("runs");
        QTest::addColumn<bool>("lost");
        QTest::addColumn<qint64>("nowS");
        QTest::addColumn<int>("idle"); // -1: accumulating
        const PowerRun power{Key::P, 800, 800, 0, 20, 2};
        const PowerRun voltage{Key::U1, 230, 230, 22, 40, 2}; // other frames go on
        QTest::newRow("one phase still comes")
            << QList{power, PowerRun{Key::P2, 50, 50, 22, 40, 2}} << false << qint64(45) << -1;
        QTest::newRow("no P for 11 s, other readings come")
            << QList{power, voltage} << false << qint64(31) << int(Idle::NoPower);
        QTest::newRow("nothing for 11 s")
            << QList{power} << false << qint64(31) << int(Idle::NoReadings);
        QTest::newRow("link lost") << QList{power} << true << qint64(31) << int(Idle::LinkLost);
        QTest::newRow("P overloaded")
            << QList{power, PowerRun{Key::P, 0, 0, 22, 40, 2, State::Overload}} << false
            << qint64(41) << int(Idle::Overload);
    }
    void saysWhyItIsNotAccumulating()
    {
        QFETCH(QList<PowerRun>, runs);
        QFETCH(qint64, nowS);
        QFETCH(int, idle);
        EnergyIntegrator integrator;
        korvane::testing::feed(integrator, runs);
        QFETCH(bool, lost);
        if (lost)
            integrator.linkLost();
        const std::optional<Idle> got = integrator.notAccumulating(nowS * kS);
        QCOMPARE(got ? int(*got) : -1, idle);
    }

    // The program is killed after runS seconds at 1 kW, saving on every reading when due.
    void killedProgramLosesAtMostAMinute_data()
    {
        QTest::addColumn<qint64>("runS");
        QTest::addColumn<double>("savedWh");
        QTest::newRow("killed after 150 s: the save at 120 s") << qint64(150) << 120 / 3.6;
        QTest::newRow("killed after 58 s: only the first save") << qint64(58) << 0.0;
        QTest::newRow("killed at 60 s: saved just then") << qint64(60) << 60 / 3.6;
    }
    void killedProgramLosesAtMostAMinute()
    {
        QFETCH(qint64, runS);
        QFETCH(double, savedWh);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        TotalsStore store(dir.path() + QStringLiteral("/data"), kMeter);
        EnergyIntegrator integrator;
        for (qint64 s = 0; s <= runS; s += 2) {
            integrator.add(korvane::testing::powerReading(Key::P, 1000, s * kS));
            const std::optional<QString> error = store.saveIfDue(integrator.totals(), s * kS);
            QVERIFY2(!error || error->isEmpty(), qPrintable(error.value_or(QString())));
        }
        const LoadedTotals loaded =
            TotalsStore(dir.path() + QStringLiteral("/data"), kMeter).load();
        QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
        QVERIFY(loaded.found);
        QVERIFY(qAbs(loaded.totals[EnergyKey::E] - savedWh) < 0.01);
        QCOMPARE(loaded.totals.sinceMs, std::optional<qint64>(0));
    }

    void restartResumesTheTotals()
    {
        QTemporaryDir dir;
        EnergyIntegrator before;
        korvane::testing::feed(before, {PowerRun{Key::P, 1000, 1000, 0, 3600, 2},
                                        PowerRun{Key::P1, 400, 400, 0, 3600, 2}});
        TotalsStore store(dir.path(), kMeter);
        QCOMPARE(store.save(before.totals(), PricedEnergy{QStringLiteral("EUR"), 0.30, 0}),
                 QString());
        QVERIFY(!TotalsStore(dir.path(), QStringLiteral("another meter")).load().found);

        const LoadedTotals loaded = TotalsStore(dir.path(), kMeter).load();
        QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
        EnergyIntegrator after;
        after.restore(loaded.totals);
        const auto tariff = [](const char* currency) {
            return *parseTariff(QByteArray("currency = ") + currency +
                                "\n[from 1970-01-01]\nprice = 0.30\n")
                        .tariff;
        };
        QVERIFY(!CostCounter(tariff("USD"), QTimeZone::utc()).restore(*loaded.priced));
        CostCounter cost(tariff("EUR"), QTimeZone::utc());
        QVERIFY(cost.restore(*loaded.priced));
        cost.add(korvane::testing::feed(after, {PowerRun{Key::P, 3000, 3000, 4200, 6000, 2}}));
        QVERIFY(qAbs(after.totals()[EnergyKey::E] - 2500) <= 1);
        QVERIFY(qAbs(cost.energyCost() - (0.30 + 1.5 * 0.30)) < 1e-9); // 1.5 kWh more
        QVERIFY(qAbs(after.totals()[EnergyKey::E1] - 400) <= 1);
        QCOMPARE(after.totals().sinceMs, std::optional<qint64>(0));

        after.reset(7000 * kS);
        QCOMPARE(after.totals()[EnergyKey::E], 0.0);
        QCOMPARE(store.save(after.totals()), QString());
        QCOMPARE(TotalsStore(dir.path(), kMeter).load().totals.sinceMs, std::optional(7000 * kS));
    }

    void badTotalsFileIsAClearError_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("why");
        const QByteArray good = R"({"version":1,"meter":"A1B2/usb serial","sinceMs":5,)"
                                R"("E1":1,"E2":2,"E3":3,"E":6})";
        QTest::newRow("torn in the middle") << good.first(40) << "not a totals file";
        QTest::newRow("another meter's")
            << QByteArray(good).replace("A1B2", "C3") << "the totals of meter \"C3/usb serial\"";
        QTest::newRow("a cost without currency")
            << QByteArray(good).replace(":6}", R"(:6,"cost":{"energy":1,"unpricedWh":0}})")
            << "\"cost\" is not a currency";
        QTest::newRow("a negative energy")
            << QByteArray(good).replace(":3,", ":-3,") << "\"E3\" is missing or not an energy";
    }
    void badTotalsFileIsAClearError()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, why);
        QTemporaryDir dir;
        TotalsStore store(dir.path(), kMeter);
        QFile file(store.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const LoadedTotals loaded = store.load();
        QVERIFY2(loaded.error.contains(why), qPrintable(loaded.error));
        QVERIFY(loaded.error.startsWith(store.path()));
        QCOMPARE(loaded.totals[EnergyKey::E], 0.0);
        QVERIFY(!loaded.totals.sinceMs);
    }
};

QTEST_GUILESS_MAIN(TstIntegrator)
#include "tst_integrator.moc"
