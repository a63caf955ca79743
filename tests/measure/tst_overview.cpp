// SPDX-License-Identifier: GPL-3.0-or-later
// The overview's cells from the snapshot and the tracker: fixed decimals, kilo rows, OL, stale,
// min/max and Reset; the bytes of each frame are in tst_reading.
#include "measure/overview.h"
#include "support/framebuilder.h"

#include <QTest>

using namespace korvane::measure;
using korvane::testing::FrameBuilder;

namespace {
constexpr qint64 kStart = 1796634902250;

// A frame and when it arrives; an empty frame stands for the user's Reset.
struct Fed
{
    QByteArray frame;
    qint64 ms = kStart;
};
const Fed kReset{};

struct Found
{
    const OverviewRow* row = nullptr;
    const OverviewCell* cell = nullptr;
};

Found find(const OverviewTable& table, Key key)
{
    for (const auto* rows : {&table.details, &table.type3}) {
        for (const OverviewRow& row : *rows) {
            if (row.cells.front().key == key)
                return {&row, &row.cells.front()};
        }
    }
    for (const OverviewRow& row : table.grid) {
        for (const OverviewCell& cell : row.cells) {
            if (cell.key == key)
                return {&row, &cell};
        }
    }
    return {};
}

QByteArray voltages(quint16 u1, quint8 range = 3)
{
    return FrameBuilder(1).q(1, u1, range);
}

QByteArray phasePower(quint8 phase, quint16 p, quint8 code)
{
    return FrameBuilder(0, phase).q(11, p, code);
}
} // namespace

Q_DECLARE_METATYPE(QList<Fed>)

class TstOverview : public QObject
{
    Q_OBJECT
private slots:
    void cells_data()
    {
        QTest::addColumn<QList<Fed>>("fed");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<bool>("linkLost");
        QTest::addColumn<Key>("key");
        QTest::addColumn<QString>("heading"); // the row's name and unit
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("stale");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");

        const qint64 now = kStart + 500;
        QTest::newRow("nothing received yet") << QList<Fed>{} << now << false << Key::U1 << "U V"
                                              << "" << true << ""
                                              << "";
        QTest::newRow("voltage in tenths keeps one decimal")
            << QList<Fed>{{voltages(2300)}} << now << false << Key::U1 << "U V"
            << "230.0" << false << "230.0"
            << "230.0";
        QTest::newRow("voltage in hundredths rounds to one decimal")
            << QList<Fed>{{voltages(22, 0)}} << now << false << Key::U1 << "U V"
            << "0.2" << false << "0.2"
            << "0.2";
        QTest::newRow("min and max over readings")
            << QList<Fed>{{voltages(2305)}, {voltages(2290)}, {voltages(2310)}} << now << false
            << Key::U1 << "U V"
            << "231.0" << false << "229.0"
            << "231.0";
        QTest::newRow("Reset forgets min and max")
            << QList<Fed>{{voltages(2305)}, {voltages(2290)}, kReset, {voltages(2310)}} << now
            << false << Key::U1 << "U V"
            << "231.0" << false << "231.0"
            << "231.0";
        QTest::newRow("Reset keeps the value, min and max wait for the next")
            << QList<Fed>{{voltages(2305)}, kReset} << now << false << Key::U1 << "U V"
            << "230.5" << false << ""
            << "";
        QTest::newRow("10 s old is still fresh")
            << QList<Fed>{{voltages(2305)}} << kStart + 10'000 << false << Key::U1 << "U V"
            << "230.5" << false << "230.5"
            << "230.5";
        QTest::newRow("older than 10 s is stale")
            << QList<Fed>{{voltages(2305)}} << kStart + 10'001 << false << Key::U1 << "U V"
            << "230.5" << true << "230.5"
            << "230.5";
        QTest::newRow("a lost link makes a fresh value stale")
            << QList<Fed>{{voltages(2305)}} << now << true << Key::U1 << "U V"
            << "230.5" << true << "230.5"
            << "230.5";
        QTest::newRow("overload reads OL in a kilo row without min or max")
            << QList<Fed>{{phasePower(0, 0, 6)}} << now << false << Key::P1 << "P kW"
            << "OL" << false << ""
            << "";
        QTest::newRow("one kilo cell puts the row in kilo")
            << QList<Fed>{{phasePower(0, 850, 2)}, {phasePower(1, 12, 5)}} << now << false
            << Key::P1 << "P kW"
            << "0.85" << false << "0.85"
            << "0.85";
        QTest::newRow("overload elsewhere in the row puts it in kilo")
            << QList<Fed>{{phasePower(0, 8505, 1)}, {FrameBuilder(0, 3).q(11, 0, 6)}} << now
            << false << Key::P1 << "P kW"
            << "0.85" << false << "0.85"
            << "0.85";
        QTest::newRow("a row in watts keeps two decimals")
            << QList<Fed>{{phasePower(0, 8505, 1)}} << now << false << Key::P1 << "P W"
            << "850.50" << false << "850.50"
            << "850.50";
        QTest::newRow("an undefined code keeps the last value, min and max")
            << QList<Fed>{{phasePower(0, 850, 2), kStart}, {phasePower(0, 999, 9), now}}
            << kStart + 10'001 << false << Key::P1 << "P W"
            << "850.00" << true << "850.00"
            << "850.00";
        QTest::newRow("min and max of a kilo row across units")
            << QList<Fed>{{FrameBuilder(0, 3).q(17, 950, 2)}, {FrameBuilder(0, 3).q(17, 15, 4)}}
            << now << false << Key::S << "S kVA"
            << "1.50" << false << "0.95"
            << "1.50";
        QTest::newRow("negative total power factor")
            << QList<Fed>{{FrameBuilder(0, 3).q(8, 850, 2)}} << now << false << Key::PF << "PF "
            << "-0.850" << false << "-0.850"
            << "-0.850";
        QTest::newRow("current of the voltage frame is a row of its own")
            << QList<Fed>{{FrameBuilder(1).q(10, 125, 0)}} << now << false << Key::I << "I A"
            << "12.50" << false << "12.50"
            << "12.50";
        QTest::newRow("frequency with two decimals")
            << QList<Fed>{{FrameBuilder(1).q(13, 499)}} << now << false << Key::F << "F Hz"
            << "49.90" << false << "49.90"
            << "49.90";
        QTest::newRow("angle with one decimal")
            << QList<Fed>{{FrameBuilder(2).q(10, 1205).at(18, 1)}} << now << false << Key::AngleU1
            << "\u2220U1 \u00B0"
            << "120.5" << false << "120.5"
            << "120.5";
        QTest::newRow("phase sequence as a word, without min or max")
            << QList<Fed>{{FrameBuilder(2).at(18, 1)}, {FrameBuilder(2).at(18, 3)}} << now << false
            << Key::Sequence << "Phase "
            << "normal" << false << ""
            << "";
        QTest::newRow("type-3 W has no overload and is named by the index")
            << QList<Fed>{{FrameBuilder(3, 3).q(14, 15, 6)}} << now << false << Key::T3W << "W4 kW"
            << "15.00" << false << "15.00"
            << "15.00";
    }

    void cells()
    {
        QFETCH(QList<Fed>, fed);
        QFETCH(qint64, now);
        QFETCH(bool, linkLost);
        QFETCH(Key, key);
        Snapshot snapshot;
        OverviewTracker tracker;
        for (const Fed& f : fed) {
            if (f.frame.isEmpty()) {
                tracker.resetMinMax();
                continue;
            }
            const auto reading = decodeFrame(f.frame, Source::Live, f.ms);
            QVERIFY(reading);
            snapshot.update(*reading);
            tracker.add(*reading);
        }
        const OverviewTable table = overviewTable(snapshot, tracker, now, linkLost);
        const Found found = find(table, key);
        QVERIFY(found.cell);
        QTEST(found.row->name + u' ' + found.row->unit, "heading");
        QTEST(found.cell->text, "text");
        QTEST(found.cell->stale, "stale");
        QTEST(found.cell->minText, "min");
        QTEST(found.cell->maxText, "max");
    }

    void type3ClockAndIndexFromTheLatestFrame()
    {
        Snapshot snapshot;
        OverviewTracker tracker;
        for (const auto& [index, ms] : {std::pair{0, kStart}, std::pair{7, kStart + 1000}}) {
            const QByteArray frame =
                FrameBuilder(3, quint8(index)).q(2, 2305, 3).bytes(17, {12, 5, quint8(9 + index)});
            const auto reading = decodeFrame(frame, Source::Live, ms);
            snapshot.update(*reading);
            tracker.add(*reading);
        }
        OverviewTable table = overviewTable(snapshot, tracker, kStart + 11'000, false);
        QCOMPARE(table.meterClock, QStringLiteral("12:5:16"));
        QCOMPARE(table.type3.front().name, QStringLiteral("U8"));
        QVERIFY(!table.type3Stale);
        table = overviewTable(snapshot, tracker, kStart + 11'001, false);
        QVERIFY(table.type3Stale);
    }
};

QTEST_GUILESS_MAIN(TstOverview)
#include "tst_overview.moc"
