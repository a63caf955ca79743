// SPDX-License-Identifier: GPL-3.0-or-later
// The overview as CSV: a row per quantity with the time of the save, values as the screen shows
// them; the cells themselves are in tst_overview.
#include "export/overviewcsv.h"
#include "support/csvreader.h"
#include "support/framebuilder.h"
#include "support/zone.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace korvane;
using korvane::testing::FrameBuilder;

namespace {
// 2026-12-07T09:15:02.250Z
constexpr qint64 kReceivedMs = 1796634902250;
constexpr qint64 kSavedMs = kReceivedMs + 3000;
const QString kSaved = QStringLiteral("2026-12-07T10:15:05.250+01:00");
const QString kReceived = QStringLiteral("2026-12-07T10:15:02.250+01:00");

measure::OverviewTable tableOf(const QList<QByteArray>& frames)
{
    measure::Snapshot snapshot;
    measure::OverviewTracker tracker;
    qint64 ms = kReceivedMs - qint64(frames.size() - 1) * 500;
    for (const QByteArray& frame : frames) {
        const auto reading = measure::decodeFrame(frame, measure::Source::Live, ms);
        snapshot.update(*reading);
        tracker.add(*reading);
        ms += 500;
    }
    return measure::overviewTable(snapshot, tracker, kSavedMs, false);
}
} // namespace

class TstOverviewCsv : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(testing::useLocalZone("Europe/Berlin"), testing::kOtherZone); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void rowOfAQuantity_data()
    {
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("row"); // after the time of the save

        const QByteArray u230 = FrameBuilder(1).q(1, 2305, 3);
        const QByteArray u231 = FrameBuilder(1).q(1, 2310, 3);
        QTest::newRow("value, unit, min, max, received") << QList<QByteArray>{u230, u231} << "C"
                                                         << "U1"
                                                         << "U1,231.0,V,230.5,231.0," + kReceived;
        QTest::newRow("a decimal point whatever the locale")
            << QList<QByteArray>{u230, u231} << "de_DE"
            << "U1"
            << "U1,231.0,V,230.5,231.0," + kReceived;
        QTest::newRow("never received: only the name and unit") << QList<QByteArray>{u230} << "C"
                                                                << "P1"
                                                                << "P1,,W,,,";
        QTest::newRow("overload") << QList<QByteArray>{FrameBuilder(0, 0).q(11, 0, 6)} << "C"
                                  << "P1"
                                  << "P1,OL,kW,,," + kReceived;
        QTest::newRow("a kilo row converts its other cells")
            << QList<QByteArray>{FrameBuilder(0, 0).q(17, 950, 2), FrameBuilder(0, 3).q(17, 15, 4)}
            << "C"
            << "S1"
            << "S1,0.95,kVA,0.95,0.95,2026-12-07T10:15:01.750+01:00";
        QTest::newRow("phase sequence as a word")
            << QList<QByteArray>{FrameBuilder(2).at(18, 2)} << "C"
            << "seq"
            << "seq,reverse,,,," + kReceived;
        QTest::newRow("angle unit in UTF-8")
            << QList<QByteArray>{FrameBuilder(2).q(12, 1200).at(18, 1)} << "C"
            << "angU2"
            << "angU2,120.0,\u00B0,120.0,120.0," + kReceived;
        QTest::newRow("type-3 index as the captions number it")
            << QList<QByteArray>{FrameBuilder(3, 4).bytes(17, {12, 5, 9})} << "C"
            << "T3index"
            << "T3index,5,,,," + kReceived;
        QTest::newRow("type-3 clock")
            << QList<QByteArray>{FrameBuilder(3, 4).bytes(17, {12, 5, 9})} << "C"
            << "T3clock"
            << "T3clock,12:5:9,,,," + kReceived;
    }

    void rowOfAQuantity()
    {
        QFETCH(QList<QByteArray>, frames);
        QFETCH(QString, locale);
        QFETCH(QString, quantity);
        QLocale::setDefault(QLocale(locale));
        const QStringList got =
            testing::bomLines(exporting::overviewCsv(tableOf(frames), kSavedMs));
        QVERIFY(!got.isEmpty());
        QCOMPARE(got.first(), QStringLiteral("time,quantity,value,unit,min,max,received"));
        QStringList matching;
        for (const QString& line : got.mid(1)) {
            // Every row carries the time of the save, so a spreadsheet needs no fill-down.
            QVERIFY2(line.startsWith(kSaved + u','), qPrintable(line));
            if (line.section(u',', 1, 1) == quantity)
                matching << line.mid(kSaved.size() + 1);
        }
        QTEST(matching.value(0), "row");
        QCOMPARE(matching.size(), 1);
    }

    void savedFileIsTheText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("overview.csv"));
        const auto table = tableOf({FrameBuilder(1).q(1, 2305, 3)});
        QVERIFY(exporting::saveOverviewCsv(path, table, kSavedMs).ok);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), exporting::overviewCsv(table, kSavedMs));
    }
};

QTEST_GUILESS_MAIN(TstOverviewCsv)
#include "tst_overviewcsv.moc"
