// SPDX-License-Identifier: GPL-3.0-or-later
// The phasor's numbers as text: each with its received time, the time of the save, gaps.
#include "export/phasortext.h"
#include "support/framebuilder.h"
#include "support/zone.h"

#include <QTest>

#include <ctime>

using namespace korvane;
using korvane::testing::FrameBuilder;

namespace {
// 2026-12-07T09:15:02.250Z
constexpr qint64 kWinterMs = 1796634902250;

struct Received
{
    QByteArray frame;
    qint64 ms;
};
} // namespace

Q_DECLARE_METATYPE(QList<Received>)

class TstPhasorText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(testing::useLocalZone("Europe/Berlin"), testing::kOtherZone); }

    void numbersWithTheirTimes_data()
    {
        QTest::addColumn<QList<Received>>("frames");
        QTest::addColumn<QStringList>("lines");

        const QByteArray voltages =
            FrameBuilder(1).q(1, 2305, 3).q(4, 2310, 3).q(7, 2298, 3).q(10, 52, 1);
        const QByteArray angles =
            FrameBuilder(2).q(10, 0).q(12, 1201).q(14, 2399).q(16, 245).at(18, 1);
        QTest::newRow("magnitudes and angles from frames of their own")
            << QList<Received>{{voltages, kWinterMs}, {angles, kWinterMs + 1500}}
            << QStringList{
                   "Phasor diagram saved 2026-12-07T10:15:05.250+01:00",
                   "Angles lag U1, drawn clockwise",
                   "U1: 230.5V, received 2026-12-07T10:15:02.250+01:00",
                   "U2: 231V, received 2026-12-07T10:15:02.250+01:00",
                   "U3: 229.8V, received 2026-12-07T10:15:02.250+01:00",
                   "I: 5.2A, received 2026-12-07T10:15:02.250+01:00",
                   "U1°: 0°, received 2026-12-07T10:15:03.750+01:00",
                   "U2°: 120.1°, received 2026-12-07T10:15:03.750+01:00",
                   "U3°: 239.9°, received 2026-12-07T10:15:03.750+01:00",
                   "I°: 24.5°, received 2026-12-07T10:15:03.750+01:00",
                   "Phase sequence: normal, received 2026-12-07T10:15:03.750+01:00",
               };
        QTest::newRow("a later frame replaces an earlier one and its time")
            << QList<Received>{{angles, kWinterMs - 60'000},
                               {FrameBuilder(2).q(12, 2400).q(14, 1200).q(16, 3300).at(18, 2),
                                kWinterMs}}
            << QStringList{
                   "Phasor diagram saved 2026-12-07T10:15:05.250+01:00",
                   "Angles lag U1, drawn clockwise",
                   "U1: not received",
                   "U2: not received",
                   "U3: not received",
                   "I: not received",
                   "U1°: 0°, received 2026-12-07T10:15:02.250+01:00",
                   "U2°: 240°, received 2026-12-07T10:15:02.250+01:00",
                   "U3°: 120°, received 2026-12-07T10:15:02.250+01:00",
                   "I°: 330°, received 2026-12-07T10:15:02.250+01:00",
                   "Phase sequence: reverse, received 2026-12-07T10:15:02.250+01:00",
               };
        QTest::newRow("nothing received")
            << QList<Received>{}
            << QStringList{
                   "Phasor diagram saved 2026-12-07T10:15:05.250+01:00",
                   "Angles lag U1, drawn clockwise",
                   "U1: not received",
                   "U2: not received",
                   "U3: not received",
                   "I: not received",
                   "U1°: not received",
                   "U2°: not received",
                   "U3°: not received",
                   "I°: not received",
                   "Phase sequence: not received",
               };
    }
    void numbersWithTheirTimes()
    {
        QFETCH(QList<Received>, frames);
        QFETCH(QStringList, lines);
        measure::Snapshot snapshot;
        for (const Received& r : frames)
            snapshot.update(*measure::decodeFrame(r.frame, measure::Source::Live, r.ms));
        const QByteArray text = exporting::phasorText(snapshot, kWinterMs + 3000);
        QVERIFY(text.endsWith("\r\n"));
        QCOMPARE(QString::fromUtf8(text.chopped(2)).split(QStringLiteral("\r\n")), lines);
    }
};

QTEST_GUILESS_MAIN(TstPhasorText)
#include "tst_phasortext.moc"
