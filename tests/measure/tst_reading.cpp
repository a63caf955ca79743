// SPDX-License-Identifier: GPL-3.0-or-later
// Frames to typed readings: the numbers, units and states each frame kind gives, the sign rules
// of live and stored frames, and the snapshot of the latest values. Texts are in tst_livetexts.
#include "measure/reading.h"
#include "measure/snapshot.h"
#include "support/framebuilder.h"

#include <QSet>
#include <QTest>

using namespace korvane::measure;
using korvane::testing::FrameBuilder;

Q_DECLARE_METATYPE(Source)

namespace {
// "U1=230.5", "P1=12000k" (shown in kilo), "S1=OL", "seq=?" (undefined).
QString describe(const Quantity& q)
{
    const QString name = keyInfo(q.key).name.toString() + u'=';
    switch (q.state) {
    case State::Overload:
        return name + QStringLiteral("OL");
    case State::Undefined:
        return name + u'?';
    case State::Value:
        break;
    }
    return name + QString::number(q.value, 'g', 15) + (q.kilo ? QStringLiteral("k") : QString());
}

QStringList describe(const Reading& reading)
{
    QStringList out;
    for (const Quantity& q : reading.values())
        out << describe(q);
    return out;
}
} // namespace

class TstReading : public QObject
{
    Q_OBJECT
private slots:
    void framesDecodeToNumbers_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<Source>("source");
        QTest::addColumn<QStringList>("quantities");

        QTest::newRow("type 0 phase 1, every scale")
            << FrameBuilder(0, 0)
                   .q(2, 2305, 3)
                   .q(5, 125, 0)
                   .q(8, 850, 2)
                   .q(11, 12345, 0)
                   .q(14, 7, 2)
                   .q(17, 12, 5)
                   .frame()
            << Source::Live
            << QStringList{"U1=230.5", "I1=12.5", "PF1=-0.85", "P1=123.45", "Q1=7", "S1=12000k"};
        QTest::newRow("type 0 phase 3, kilo hundredths and tenths, overload")
            << FrameBuilder(0, 2)
                   .q(2, 23050, 2)
                   .q(5, 125, 3)
                   .q(8, 1000, 1)
                   .q(11, 12345, 3)
                   .q(14, 15, 4)
                   .q(17, 9, 6)
                   .frame()
            << Source::Live
            << QStringList{"U3=230.5", "I3=125", "PF3=1", "P3=123450k", "Q3=1500k", "S3=OL"};
        QTest::newRow("totals, undefined code")
            << FrameBuilder(0, 3).q(8, 500, 1).q(11, 2, 2).q(14, 3, 7).q(17, 1000, 4).frame()
            << Source::Live << QStringList{"PF=0.5", "P=2", "Q=?", "S=100000k"};
        QTest::newRow("live type 0 sign 0 is positive")
            << FrameBuilder(0, 1).q(8, 920, 0).frame() << Source::Live
            << QStringList{"U2=0", "I2=0", "PF2=0.92", "P2=0", "Q2=0", "S2=0"};
        QTest::newRow("stored type 0 sign 0 is negative")
            << FrameBuilder(0, 1).q(8, 920, 0).frame() << Source::Stored
            << QStringList{"U2=0", "I2=0", "PF2=-0.92", "P2=0", "Q2=0", "S2=0"};
        QTest::newRow("type 1 voltages from byte 1, current, frequency")
            << FrameBuilder(1, 0x08)
                   .at(2, 0x09)
                   .at(3, 3)
                   .q(4, 2200, 2)
                   .q(10, 5, 3)
                   .q(13, 499)
                   .frame()
            << Source::Live << QStringList{"U1=231.2", "U2=22", "U3=0", "I=5", "F=49.9"};
        QTest::newRow("type 2 angles and sequence")
            << FrameBuilder(2).q(10, 0).q(12, 1200).q(14, 2400).q(16, 3599).at(18, 2).frame()
            << Source::Live
            << QStringList{"angU1=0", "angU2=120", "angU3=240", "angI=359.9", "seq=2"};
        QTest::newRow("type 2 undefined sequence")
            << FrameBuilder(2).at(18, 3).frame() << Source::Live
            << QStringList{"angU1=0", "angU2=0", "angU3=0", "angI=0", "seq=?"};
        QTest::newRow("type 3: own keys, W whole kW on code 6, sign 0 negative")
            << FrameBuilder(3, 7)
                   .q(2, 2305, 3)
                   .q(5, 50, 0)
                   .q(8, 920, 0)
                   .q(11, 1, 6)
                   .q(14, 15, 6)
                   .frame()
            << Source::Live
            << QStringList{"T3U=230.5", "T3I=5", "T3PF=-0.92", "T3P=OL", "T3W=15000k"};
        QTest::newRow("unknown type is no reading")
            << FrameBuilder(4).frame() << Source::Live << QStringList{"none"};
        QTest::newRow("short block is no reading")
            << FrameBuilder(0).frame().first(19) << Source::Stored << QStringList{"none"};
    }
    void framesDecodeToNumbers()
    {
        QFETCH(QByteArray, frame);
        QFETCH(Source, source);
        QFETCH(QStringList, quantities);
        const auto reading = decodeFrame(frame, source, 1234);
        QCOMPARE(reading ? describe(*reading) : QStringList{"none"}, quantities);
        if (reading) {
            QCOMPARE(reading->receivedMs, qint64(1234));
            QCOMPARE(int(reading->kind), int(quint8(frame[0])));
        }
    }

    void type3CarriesItsIndexAndClock()
    {
        const auto reading =
            decodeFrame(FrameBuilder(3, 4).bytes(17, {23, 59, 7}).frame(), Source::Stored, 0);
        QVERIFY(reading);
        QCOMPARE(int(reading->index), 4);
        QVERIFY(reading->clock);
        QCOMPARE(
            QList<int>({reading->clock->hours, reading->clock->minutes, reading->clock->seconds}),
            QList<int>({23, 59, 7}));
    }

    void everyKeyHasItsOwnName()
    {
        QSet<QString> names;
        for (int i = 0; i < kKeyCount; ++i) {
            const QString name = keyInfo(Key(i)).name.toString();
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            QCOMPARE(keyNamed(name), std::optional<Key>(Key(i)));
        }
        QCOMPARE(keyNamed(u"nonsense"), std::nullopt);
    }

    void snapshotKeepsTheLatestOfEveryKindTogether()
    {
        Snapshot snapshot;
        snapshot.update(
            *decodeFrame(FrameBuilder(1).q(1, 2300, 3).q(13, 500).frame(), Source::Live, 100));
        snapshot.update(
            *decodeFrame(FrameBuilder(2).q(12, 1200).at(18, 1).frame(), Source::Live, 200));
        snapshot.update(
            *decodeFrame(FrameBuilder(2).q(12, 1190).at(18, 9).frame(), Source::Live, 300));
        snapshot.update(*decodeFrame(FrameBuilder(0, 0).q(2, 2310, 3).frame(), Source::Live, 400));

        QCOMPARE(snapshot.latest(Key::U1).quantity.value, 231.0);
        QCOMPARE(snapshot.latest(Key::U1).receivedMs, qint64(400));
        QCOMPARE(snapshot.latest(Key::F).quantity.value, 50.0);
        QCOMPARE(snapshot.latest(Key::AngleU2).quantity.value, 119.0);
        // An undefined sequence code keeps the last defined one.
        QCOMPARE(snapshot.latest(Key::Sequence).quantity.value, 1.0);
        QCOMPARE(snapshot.latest(Key::Sequence).receivedMs, qint64(200));
        QVERIFY(!snapshot.latest(Key::T3W).seen);
    }
};

QTEST_GUILESS_MAIN(TstReading)
#include "tst_reading.moc"
