// SPDX-License-Identifier: GPL-3.0-or-later
// Interval statistics: how each kind of quantity averages, and how intervals align, close and
// say they are partial.
#include "datalog/fields.h"
#include "datalog/intervalstats.h"

#include <QDateTime>
#include <QTest>

#include <cmath>
#include <ctime>

using namespace korvane;
using datalog::IntervalStats;
using datalog::IntervalSummary;
using measure::Key;
using measure::State;

namespace {
constexpr qint64 kMinute = 60'000;
// 2026-12-07T10:00:00Z
constexpr qint64 kTen = 1796637600000;

struct Sample
{
    Key key;
    double value;
    State state = State::Value;
};
using Frame = QList<Sample>;

void setZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

measure::Reading reading(qint64 ms, const Frame& samples)
{
    measure::Reading r;
    r.receivedMs = ms;
    for (const Sample& s : samples)
        r.quantities[std::size_t(r.count++)] = {s.key, s.state, false, s.value};
    return r;
}

// The one summary of frames a second apart, closed by the end of their minute.
IntervalSummary oneMinute(const QList<Frame>& frames)
{
    IntervalStats stats(kMinute, kTen);
    qint64 ms = kTen;
    for (const Frame& f : frames)
        stats.add(reading(ms += 1000, f));
    return stats.advanceTo(kTen + kMinute).value_or(IntervalSummary{});
}
} // namespace

Q_DECLARE_METATYPE(QList<Frame>)
Q_DECLARE_METATYPE(std::optional<double>)

class TstIntervalStats : public QObject
{
    Q_OBJECT
private slots:
    // Kathmandu is 5:45 ahead of UTC: its local 10-minute boundaries are 5 minutes off UTC's.
    void initTestCase() { setZone("Asia/Kathmandu"); }

    void eachQuantityAveragesItsOwnWay_data()
    {
        QTest::addColumn<QList<Frame>>("frames");
        QTest::addColumn<Key>("key");
        QTest::addColumn<double>("min");
        QTest::addColumn<std::optional<double>>("mean");
        QTest::addColumn<double>("max");
        QTest::addColumn<int>("overloads");

        QTest::newRow("voltage as RMS")
            << QList<Frame>{{{Key::U1, 230}}, {{Key::U1, 240}}} << Key::U1 << 230.0
            << std::optional(std::sqrt((230.0 * 230 + 240 * 240) / 2)) << 240.0 << 0;
        QTest::newRow("current as RMS") << QList<Frame>{{{Key::I, 0}}, {{Key::I, 10}}} << Key::I
                                        << 0.0 << std::optional(std::sqrt(50.0)) << 10.0 << 0;
        QTest::newRow("active power arithmetic, overload apart")
            << QList<Frame>{{{Key::P1, 1000}}, {{Key::P1, 2000}}, {{Key::P1, 0, State::Overload}}}
            << Key::P1 << 1000.0 << std::optional(1500.0) << 2000.0 << 1;
        QTest::newRow("frequency arithmetic") << QList<Frame>{{{Key::F, 49.9}}, {{Key::F, 50.1}}}
                                              << Key::F << 49.9 << std::optional(50.0) << 50.1 << 0;
        QTest::newRow("power factor from the sums of P and S")
            << QList<Frame>{{{Key::PF1, 0.5}, {Key::P1, 500}, {Key::S1, 1000}},
                            {{Key::PF1, 1.0}, {Key::P1, 3000}, {Key::S1, 3000}}}
            << Key::PF1 << 0.5 << std::optional(0.875) << 1.0 << 0;
        QTest::newRow("power factor with the sign most samples had")
            << QList<Frame>{{{Key::PF, -0.5}, {Key::P, 500}, {Key::S, 1000}},
                            {{Key::PF, -1.0}, {Key::P, 3000}, {Key::S, 3000}},
                            {{Key::PF, 0.9}, {Key::P, 900}, {Key::S, 1000}}}
            << Key::PF << -1.0 << std::optional(-0.88) << 0.9 << 0;
        QTest::newRow("a frame without P and S: the sums of the others")
            << QList<Frame>{{{Key::PF2, 0.5}, {Key::P2, 500}, {Key::S2, 1000}},
                            {{Key::PF2, 1.0}, {Key::P2, 3000}, {Key::S2, 3000}},
                            {{Key::PF2, 0.2}, {Key::P2, 0, State::Overload}}}
            << Key::PF2 << 0.2 << std::optional(0.875) << 1.0 << 0;
        QTest::newRow("power factor without S: arithmetic")
            << QList<Frame>{{{Key::T3PF, 0.5}, {Key::T3P, 500}}, {{Key::T3PF, 1.0}}} << Key::T3PF
            << 0.5 << std::optional(0.75) << 1.0 << 0;
        QTest::newRow("359 and 1 degrees average to 0")
            << QList<Frame>{{{Key::AngleU1, 359}}, {{Key::AngleU1, 1}}} << Key::AngleU1 << 1.0
            << std::optional(0.0) << 359.0 << 0;
        QTest::newRow("350 and 20 degrees average to 5")
            << QList<Frame>{{{Key::AngleI, 350}}, {{Key::AngleI, 20}}} << Key::AngleI << 20.0
            << std::optional(5.0) << 350.0 << 0;
        QTest::newRow("opposite angles have no mean")
            << QList<Frame>{{{Key::AngleU2, 0}}, {{Key::AngleU2, 180}}} << Key::AngleU2 << 0.0
            << std::optional<double>() << 180.0 << 0;
    }
    void eachQuantityAveragesItsOwnWay()
    {
        QFETCH(QList<Frame>, frames);
        QFETCH(Key, key);
        QFETCH(double, min);
        QFETCH(std::optional<double>, mean);
        QFETCH(double, max);
        QFETCH(int, overloads);
        const IntervalSummary summary = oneMinute(frames);
        const auto it = std::find_if(summary.quantities.begin(), summary.quantities.end(),
                                     [&](const datalog::QuantityStats& s) { return s.key == key; });
        QVERIFY(it != summary.quantities.end());
        QCOMPARE(it->count, int(frames.size()) - overloads);
        QCOMPARE(it->overloads, overloads);
        QCOMPARE(it->min, min);
        QCOMPARE(it->max, max);
        QCOMPARE(it->mean.has_value(), mean.has_value());
        if (mean)
            QVERIFY2(std::abs(*it->mean - *mean) < 1e-9, qPrintable(QString::number(*it->mean)));
    }

    void intervalsAlignCloseAndSayWhenPartial_data()
    {
        // Steps: "r" a reading of U1 at the minute given, "g" a gap, "f" the end.
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("startMs");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("written"); // "start partial samples"
        QTest::newRow("started late, stopped at a boundary")
            << 10 * kMinute << kTen + 3 * kMinute << QStringList{"r5", "r12", "r15", "f20"}
            << QStringList{"10:00 partial 1", "10:10 whole 2"};
        QTest::newRow("started on a boundary, stopped early")
            << 10 * kMinute << kTen << QStringList{"r1", "r9", "r12", "f17"}
            << QStringList{"10:00 whole 2", "10:10 partial 1"};
        QTest::newRow("a gap makes its interval partial")
            << 10 * kMinute << kTen << QStringList{"r1", "g4", "r6", "r11", "f20"}
            << QStringList{"10:00 partial 2", "10:10 whole 1"};
        QTest::newRow("an interval without samples writes nothing")
            << 10 * kMinute << kTen << QStringList{"r5", "r35", "f40"}
            << QStringList{"10:00 whole 1", "10:30 whole 1"};
        QTest::newRow("time passing closes an interval without a new reading")
            << 15 * kMinute << kTen << QStringList{"r1", "a15"} << QStringList{"10:00 whole 1"};
    }
    void intervalsAlignCloseAndSayWhenPartial()
    {
        QFETCH(qint64, length);
        QFETCH(qint64, startMs);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, written);
        IntervalStats stats(length, startMs);
        QStringList got;
        auto note = [&](const std::optional<IntervalSummary>& s) {
            if (!s)
                return;
            QCOMPARE(s->endMs - s->startMs, length);
            got << QStringLiteral("%1 %2 %3")
                       .arg(QDateTime::fromMSecsSinceEpoch(s->startMs, Qt::UTC)
                                .toString(QStringLiteral("HH:mm")),
                            s->partial ? QStringLiteral("partial") : QStringLiteral("whole"))
                       .arg(s->quantities.front().count);
        };
        for (const QString& step : steps) {
            const qint64 ms = kTen + step.mid(1).toInt() * kMinute;
            switch (step[0].unicode()) {
            case 'r':
                note(stats.add(reading(ms, {{Key::U1, 230}})));
                break;
            case 'g':
                note(stats.markGap(ms));
                break;
            case 'a':
                note(stats.advanceTo(ms));
                break;
            default:
                note(stats.finish(ms));
            }
        }
        QCOMPARE(got, written);
    }

    // Berlin's clocks go back at 01:00 UTC on 2026-10-25: the intervals stay 15 minutes of UTC.
    void boundariesStayInUtcAcrossADaylightSavingChange()
    {
        setZone("Europe/Berlin");
        const qint64 utcOne = 1792890000000; // 2026-10-25T01:00:00Z
        IntervalStats stats(15 * kMinute, utcOne - 20 * kMinute);
        QStringList starts;
        for (qint64 ms = utcOne - 20 * kMinute; ms < utcOne + 40 * kMinute; ms += kMinute) {
            if (const auto s = stats.add(reading(ms, {{Key::F, 50}})))
                starts << datalog::isoTimeWithOffset(s->startMs);
        }
        QCOMPARE(starts,
                 (QStringList{"2026-10-25T02:30:00.000+02:00", "2026-10-25T02:45:00.000+02:00",
                              "2026-10-25T02:00:00.000+01:00", "2026-10-25T02:15:00.000+01:00"}));
    }
};

QTEST_GUILESS_MAIN(TstIntervalStats)
#include "tst_intervalstats.moc"
