// SPDX-License-Identifier: GPL-3.0-or-later
// Round tick steps for value and time axes, time labels that never touch, ticks on the local clock
// across midnight and summer time. Where the chart puts them is the window's.
#include "trend/ticks.h"

#include <QDateTime>
#include <QTest>

using namespace korvane::trend;

namespace {
constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kDay = 24 * kHour;

qint64 local(const char* text, const QTimeZone& zone)
{
    QDateTime at = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    at.setTimeZone(zone);
    return at.toMSecsSinceEpoch();
}
} // namespace

class TstTicks : public QObject
{
    Q_OBJECT
private slots:
    void valueTicksAreRound_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("wanted");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("decimals");
        QTest::newRow("mains voltage") << 229.72 << 231.3 << 5 << 230.0 << 0.5 << 1;
        QTest::newRow("frequency: 2.5 needs a decimal more")
            << 49.945 << 50.05 << 5 << 49.95 << 0.025 << 3;
        QTest::newRow("power in watts") << 3149.5 << 3460.0 << 5 << 3200.0 << 100.0 << 0;
        QTest::newRow("a quarter") << 0.0 << 1.0 << 4 << 0.0 << 0.25 << 2;
        QTest::newRow("around zero") << -0.9 << 0.9 << 4 << -0.5 << 0.5 << 1;
        QTest::newRow("a third of 0.3 is 0.1") << 0.0 << 0.3 << 3 << 0.0 << 0.1 << 1;
        QTest::newRow("large") << 0.0 << 2.0e6 << 4 << 0.0 << 5.0e5 << 0;
        QTest::newRow("only one tick wanted") << 1.0 << 9.0 << 1 << 10.0 << 10.0 << 0;
        QTest::newRow("no span") << 5.0 << 5.0 << 5 << 5.0 << 1.0 << 0;
    }
    void valueTicksAreRound()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, wanted);
        const ValueTicks ticks = valueTicks(low, high, wanted);
        QTEST(ticks.first, "first");
        QTEST(ticks.step, "step");
        QTEST(ticks.decimals, "decimals");
        QVERIFY(ticks.first >= low - 1e-9 * ticks.step);
    }

    void timeLabelsNeverTouch_data()
    {
        QTest::addColumn<qint64>("span");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("labelWidth");
        QTest::addColumn<qint64>("step");
        QTest::newRow("five minutes, narrow") << 5 * kMinute << 400.0 << 50.0 << kMinute;
        QTest::newRow("half a minute, wide") << 30 * kSecond << 1000.0 << 60.0 << 2 * kSecond;
        QTest::newRow("the issue's 30 s labels in 400 px")
            << 5 * kMinute << 400.0 << 40.0 << 30 * kSecond;
        QTest::newRow("an hour") << kHour << 400.0 << 40.0 << 10 * kMinute;
        QTest::newRow("three days") << 3 * kDay << 300.0 << 40.0 << 12 * kHour;
        QTest::newRow("a week in 1280 px") << 7 * kDay << 1280.0 << 40.0 << 6 * kHour;
        QTest::newRow("a day just fits") << 10 * kDay << 400.0 << 40.0 << kDay;
        QTest::newRow("ten years: whole days") << 3650 * kDay << 1000.0 << 40.0 << 200 * kDay;
        QTest::newRow("a second in a wide view") << kSecond << 2000.0 << 40.0 << kSecond;
    }
    void timeLabelsNeverTouch()
    {
        QFETCH(qint64, span);
        QFETCH(double, width);
        QFETCH(double, labelWidth);
        const qint64 step = timeStep(span, width, labelWidth);
        QTEST(step, "step");
        QVERIFY(double(step) / double(span) * width >= labelWidth);
    }

    void timeTicksSitOnTheLocalClock_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("across midnight the date shows")
            << QByteArray("UTC") << "2026-12-08T23:40:00"
            << "2026-12-09T00:20:00" << 15 * kMinute << QStringList{"23:45", "09.12.", "00:15"};
        QTest::newRow("seconds") << QByteArray("UTC") << "2026-12-08T10:15:02"
                                 << "2026-12-08T10:15:40" << 10 * kSecond
                                 << QStringList{"10:15:10", "10:15:20", "10:15:30", "10:15:40"};
        QTest::newRow("summer time ends: a 25-hour day")
            << QByteArray("Europe/Berlin") << "2026-10-25T00:00:00"
            << "2026-10-25T12:00:00" << 3 * kHour
            << QStringList{"25.10.", "03:00", "06:00", "09:00", "12:00"};
        QTest::newRow("summer time ends: minutes stay on the clock")
            << QByteArray("Europe/Berlin") << "2026-10-25T03:50:00"
            << "2026-10-25T04:40:00" << 15 * kMinute << QStringList{"04:00", "04:15", "04:30"};
        QTest::newRow("summer time begins: no hour twice")
            << QByteArray("Europe/Berlin") << "2026-03-29T00:30:00"
            << "2026-03-29T04:00:00" << kHour << QStringList{"01:00", "03:00", "04:00"};
        QTest::newRow("days") << QByteArray("UTC") << "2026-12-01T12:00:00"
                              << "2026-12-04T12:00:00" << kDay
                              << QStringList{"02.12.", "03.12.", "04.12."};
        // Every second day counted from a fixed day, so the ticks stay put as the span moves.
        QTest::newRow("every second day")
            << QByteArray("UTC") << "2026-12-01T12:00:00"
            << "2026-12-06T12:00:00" << 2 * kDay << QStringList{"03.12.", "05.12."};
        QTest::newRow("every second day, a day later")
            << QByteArray("UTC") << "2026-12-02T12:00:00"
            << "2026-12-07T12:00:00" << 2 * kDay << QStringList{"03.12.", "05.12.", "07.12."};
    }
    void timeTicksSitOnTheLocalClock()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(qint64, step);
        const QTimeZone tz(zone);
        QVERIFY(tz.isValid());
        QStringList labels;
        for (qint64 t : timeTicks(local(from.toLatin1(), tz), local(to.toLatin1(), tz), step, tz))
            labels << timeLabel(t, step, tz);
        QTEST(labels, "labels");
    }

    void spanCrossesMidnight_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("crosses");
        QTest::newRow("within a day") << "2026-12-08T10:15:02"
                                      << "2026-12-08T10:20:02" << false;
        QTest::newRow("over midnight") << "2026-12-08T23:59:00"
                                       << "2026-12-09T00:01:00" << true;
        QTest::newRow("up to midnight") << "2026-12-08T23:00:00"
                                        << "2026-12-09T00:00:00" << true;
        QTest::newRow("from midnight") << "2026-12-09T00:00:00"
                                       << "2026-12-09T01:00:00" << false;
    }
    void spanCrossesMidnight()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        const QTimeZone tz("Europe/Berlin");
        QTEST(crossesMidnight(local(from.toLatin1(), tz), local(to.toLatin1(), tz), tz), "crosses");
    }
};

QTEST_GUILESS_MAIN(TstTicks)
#include "tst_ticks.moc"
