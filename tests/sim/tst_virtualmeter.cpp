// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual meter over a real pseudo-terminal: its answers, the frames it sends, pacing, each
// fault, unplug and replug. The program around it (arguments, output, signals) is covered by
// tst_metersimprogram.
#include "sim/virtualmeter.h"
#include "slaveport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <array>
#include <chrono>
#include <cmath>
#include <optional>

using namespace std::chrono_literals;
using korvane::sim::Garbage;
using korvane::sim::MeterOptions;
using korvane::sim::VirtualMeter;

Q_DECLARE_METATYPE(korvane::sim::MeterOptions)

namespace {

constexpr qsizetype kFrame = 20;
const QByteArray kHandshakeAnswer = QByteArray::fromHex("d55555");

QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

// Starts the meter and opens its device as the program would; a pty that cannot be opened is a
// failure, never a skip.
QString plugIn(VirtualMeter& meter, SlavePort& port)
{
    QString error;
    if (!meter.start(&error))
        return QStringLiteral("cannot open a pseudo-terminal: ") + error;
    if (!port.open(meter.devicePath(), &error))
        return error;
    return {};
}

MeterOptions unpaced()
{
    MeterOptions o;
    o.pacing = false;
    return o;
}

// An independent reading of the frame fields, by the meter's byte maps.
int value16(const QByteArray& f, int pos)
{
    return quint8(f[pos]) | quint8(f[pos + 1]) << 8;
}

double volts(const QByteArray& f, int pos)
{
    return value16(f, pos) / (quint8(f[pos + 2]) >= 3 ? 10.0 : 100.0);
}

double amps(const QByteArray& f, int pos)
{
    return quint8(f[pos + 2]) >= 3 ? value16(f, pos) : value16(f, pos) / 10.0;
}

// Watts (or var, VA) for scale codes 0 to 5; nothing for an overload or an undefined code.
std::optional<double> power(const QByteArray& f, int pos)
{
    constexpr std::array<double, 6> kUnit{0.01, 0.1, 1, 10, 100, 1000};
    const quint8 code = quint8(f[pos + 2]);
    if (code >= kUnit.size())
        return std::nullopt;
    return value16(f, pos) * kUnit[code];
}

bool near(double a, double b, double relative)
{
    return std::abs(a - b) <= relative * std::max(std::abs(a), std::abs(b));
}

// The value16 fields of each frame type, by position of their low byte.
QList<int> value16Positions(const QByteArray& f)
{
    switch (quint8(f[0])) {
    case 0:
        return quint8(f[1]) >= 3 ? QList<int>{8, 11, 14, 17} : QList<int>{2, 5, 8, 11, 14, 17};
    case 1:
        return {1, 4, 7, 10, 13};
    case 2:
        return {10, 12, 14, 16};
    default:
        return {2, 5, 8, 11, 14};
    }
}

// What is wrong with a frame as a plausible reading of a 230 V mains installation; empty if
// nothing is.
QString frameProblem(const QByteArray& f)
{
    if (f.size() != kFrame)
        return QStringLiteral("size %1").arg(f.size());
    if (quint8(f[0]) > 3)
        return QStringLiteral("frame type %1").arg(quint8(f[0]));
    for (int pos : value16Positions(f)) {
        if (quint8(f[pos + 1]) >= 128)
            return QStringLiteral("high byte at %1 is 128 or more").arg(pos + 1);
    }
    auto badVolts = [](double v) { return v < 200 || v > 260; };
    auto badAmps = [](double a) { return a <= 0 || a > 20; };
    auto badPf = [&](int pos) {
        return value16(f, pos) < 700 || value16(f, pos) > 1000 || quint8(f[pos + 2]) < 1 ||
               quint8(f[pos + 2]) > 2;
    };
    // Whole amperes are too coarse to check a power against.
    const bool ampsInTenths = quint8(f[7]) < 3;
    const double pf = value16(f, 8) / 1000.0;
    const quint8 sub = quint8(f[1]);
    switch (quint8(f[0])) {
    case 0: {
        const bool phase = sub <= 2;
        if (phase && (badVolts(volts(f, 2)) || badAmps(amps(f, 5))))
            return QStringLiteral("phase voltage or current");
        if (badPf(8))
            return QStringLiteral("power factor");
        const auto p = power(f, 11), q = power(f, 14), s = power(f, 17);
        if (!p || !q || !s)
            return QStringLiteral("power scale code");
        if (!near(*p, *s * pf, 0.02) || !near(*q, *s * std::sqrt(1 - pf * pf), 0.05))
            return QStringLiteral("P, Q and S do not fit the power factor");
        if (phase && ampsInTenths && !near(*s, volts(f, 2) * amps(f, 5), 0.02))
            return QStringLiteral("S is not U times I");
        return {};
    }
    case 1: {
        if (badVolts(volts(f, 1)) || badVolts(volts(f, 4)) || badVolts(volts(f, 7)))
            return QStringLiteral("voltages");
        if (badAmps(amps(f, 10)))
            return QStringLiteral("current");
        const double hertz = value16(f, 13) / 10.0;
        if (hertz < 49.5 || hertz > 50.5)
            return QStringLiteral("frequency %1 Hz").arg(hertz);
        return {};
    }
    case 2: {
        const int u1 = value16(f, 10), u2 = value16(f, 12), u3 = value16(f, 14);
        const quint8 seq = quint8(f[18]);
        // The current lags or leads U1 by less than a right angle.
        const int current = value16(f, 16);
        if (u1 != 0 || (current >= 900 && current <= 2700) || current >= 3600 || seq > 2)
            return QStringLiteral("angle of U1 or I, or phase sequence");
        const bool reverse = seq == 2;
        if (std::abs(u2 - (reverse ? 2400 : 1200)) > 20 ||
            std::abs(u3 - (reverse ? 1200 : 2400)) > 20)
            return QStringLiteral("angles of U2 and U3 do not fit the sequence");
        return {};
    }
    default: {
        if (sub > 2 || badVolts(volts(f, 2)) || badAmps(amps(f, 5)) || badPf(8))
            return QStringLiteral("index, voltage, current or power factor");
        const auto p = power(f, 11);
        if (!p || (ampsInTenths && !near(*p, volts(f, 2) * amps(f, 5) * pf, 0.02)))
            return QStringLiteral("P is not U times I times PF");
        if (quint8(f[16]) > 5)
            return QStringLiteral("W scale code");
        if (quint8(f[17]) > 23 || quint8(f[18]) > 59 || quint8(f[19]) > 59)
            return QStringLiteral("time of day");
        return {};
    }
    }
}

// Type and sub-index as the program tells frames apart; the sub-index counts only for types
// 0 and 3, and every sub-index from 3 up means the totals.
QString kindOf(const QByteArray& f)
{
    const quint8 type = quint8(f[0]);
    if (type == 0)
        return quint8(f[1]) >= 3 ? QStringLiteral("totals")
                                 : QStringLiteral("phase %1").arg(quint8(f[1]) + 1);
    return QStringLiteral("type %1").arg(type);
}

} // namespace

class TestVirtualMeter : public QObject
{
    Q_OBJECT

private slots:
    void liveFramesArePlausibleReadings_data();
    void liveFramesArePlausibleReadings();
    void storedRecordsArePlausibleReadings_data();
    void storedRecordsArePlausibleReadings();
    void storedRecordsMixEveryKindOfReading();
    void storedRecordsDependOnTheirIndexAlone();
    void storedCurrentAngleFollowsThePowerFactorSign_data();
    void storedCurrentAngleFollowsThePowerFactorSign();

    void answersEachCommand_data();
    void answersEachCommand();
    void answersCommandsSentTogetherInOrder();
    void leavesUnknownBytesUnanswered();
    void dumpHoldsTheStoredRecords_data();
    void dumpHoldsTheStoredRecords();
    void liveFramesCycleThroughAllKinds();
    void answerLeavesOnlyAfterTheCommandArrived_data();
    void answerLeavesOnlyAfterTheCommandArrived();
    void pacedDumpTakesAtLeastItsTimeOnTheWire();
    void unpacedDumpOfEveryPossibleRecordArrivesWhole();
    void keepsAnsweringAfterTheProgramReopensItsPort();

    void faultyAnswers_data();
    void faultyAnswers();
    void fallsSilent_data();
    void fallsSilent();
    void silenceEndsAfterSilentFor();
    void garbageReplacesEveryAnswer();
    void garbageSurroundsEveryAnswer();
    void chunkedAnswersArriveInPiecesWithGaps();
    void restartMidDumpDropsTheRestOfTheDump_data();
    void restartMidDumpDropsTheRestOfTheDump();
    void unplugMidDumpPullsTheCableAndComesBack();

    void unplugHangsUpTheProgramsPortAndRemovesTheLink();
    void replugRepointsTheLinkAtAWorkingDevice();
    void stopRemovesTheLinkButNothingElse();
    void startRefusesOptionsThatMakeNoSense_data();
    void startRefusesOptionsThatMakeNoSense();
    void startRefusesToReplaceAFileWithTheLink();
};

void TestVirtualMeter::liveFramesArePlausibleReadings_data()
{
    QTest::addColumn<int>("sequence");
    for (int s : {0, 1, 2, 3, 4, 5, 6, 7, 13, 20, 99, 1000, 123457, 2147483646})
        QTest::addRow("sequence %d", s) << s;
}

void TestVirtualMeter::liveFramesArePlausibleReadings()
{
    QFETCH(int, sequence);
    const QByteArray frame = VirtualMeter::liveFrame(sequence);
    QVERIFY2(frameProblem(frame).isEmpty(),
             qPrintable(frameProblem(frame) + ": " + frame.toHex(' ')));
}

void TestVirtualMeter::storedRecordsArePlausibleReadings_data()
{
    QTest::addColumn<int>("index");
    for (int i :
         {0, 1, 2, 3, 4, 5, 6, 7, 12, 19, 26, 33, 34, 35, 40, 1000, 40000, 65534, 2147483647})
        QTest::addRow("record %d", i) << i;
}

void TestVirtualMeter::storedRecordsArePlausibleReadings()
{
    QFETCH(int, index);
    const QByteArray record = VirtualMeter::storedRecord(index);
    QVERIFY2(frameProblem(record).isEmpty(),
             qPrintable(frameProblem(record) + ": " + record.toHex(' ')));
}

void TestVirtualMeter::storedRecordsMixEveryKindOfReading()
{
    QSet<QString> kinds;
    QSet<int> phaseSequences, pfSigns, voltageRanges, currentRanges, powerCodes;
    const QByteArray all = VirtualMeter::storedRecords(korvane::sim::kDefaultRecordCount);
    for (qsizetype pos = 0; pos < all.size(); pos += kFrame) {
        const QByteArray r = all.mid(pos, kFrame);
        QVERIFY2(frameProblem(r).isEmpty(), qPrintable(frameProblem(r)));
        kinds.insert(kindOf(r));
        const quint8 type = quint8(r[0]);
        if (type == 2)
            phaseSequences.insert(quint8(r[18]));
        if (type == 0 || type == 3)
            pfSigns.insert(quint8(r[10]));
        if ((type == 0 && quint8(r[1]) < 3) || type == 3) {
            voltageRanges.insert(quint8(r[4]) >= 3);
            currentRanges.insert(quint8(r[7]) >= 3);
        }
        if (type == 0)
            powerCodes.insert(quint8(r[13]));
    }
    QCOMPARE(kinds, (QSet<QString>{"phase 1", "phase 2", "phase 3", "totals", "type 1", "type 2",
                                   "type 3"}));
    QCOMPARE(phaseSequences, (QSet<int>{0, 1, 2}));
    QCOMPARE(pfSigns, (QSet<int>{1, 2}));
    QCOMPARE(voltageRanges.size(), 2);
    QCOMPARE(currentRanges.size(), 2);
    QVERIFY(powerCodes.size() >= 2);
}

void TestVirtualMeter::storedRecordsDependOnTheirIndexAlone()
{
    const QByteArray many = VirtualMeter::storedRecords(100);
    QCOMPARE(many.size(), 100 * kFrame);
    QCOMPARE(VirtualMeter::storedRecords(10), many.left(10 * kFrame));
    for (int i : {0, 57, 99})
        QCOMPARE(VirtualMeter::storedRecord(i), many.mid(i * kFrame, kFrame));
    QVERIFY(VirtualMeter::storedRecords(0).isEmpty());
}

void TestVirtualMeter::storedCurrentAngleFollowsThePowerFactorSign_data()
{
    QTest::addColumn<int>("round");
    QTest::addColumn<bool>("leading");
    QTest::newRow("inductive load: the current lags by phi") << 0 << false;
    QTest::newRow("capacitive load: the current at 360 - phi") << 4 << true;
    QTest::newRow("inductive load, later round") << 10 << false;
    QTest::newRow("capacitive load, later round") << 14 << true;
}

// Each round of seven stored records shares one load: phase 1's frame comes first, the angles
// frame sixth.
void TestVirtualMeter::storedCurrentAngleFollowsThePowerFactorSign()
{
    QFETCH(int, round);
    QFETCH(bool, leading);
    const QByteArray phase1 = VirtualMeter::storedRecord(round * 7);
    const QByteArray angles = VirtualMeter::storedRecord(round * 7 + 5);
    QCOMPARE(kindOf(phase1), QStringLiteral("phase 1"));
    QCOMPARE(kindOf(angles), QStringLiteral("type 2"));
    QCOMPARE(quint8(phase1[10]), quint8(leading ? 2 : 1));
    const double phi = qRadiansToDegrees(std::acos(value16(phase1, 8) / 1000.0));
    const double current = value16(angles, 16) / 10.0;
    const double expected = leading ? 360 - phi : phi;
    QVERIFY2(std::abs(current - expected) < 0.2,
             qPrintable(QStringLiteral("I at %1, phi %2").arg(current).arg(phi)));
}

void TestVirtualMeter::answersEachCommand_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<quint8>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("handshake") << 36 << quint8(0x05) << bytes("d55555");
    QTest::newRow("count of 36") << 36 << quint8(0x0f) << bytes("05052400");
    QTest::newRow("count of none") << 0 << quint8(0x0f) << bytes("05050000");
    QTest::newRow("count of 300, low byte first") << 300 << quint8(0x0f) << bytes("05052c01");
    QTest::newRow("count of 65535") << 65535 << quint8(0x0f) << bytes("0505ffff");
    QTest::newRow("first live frame") << 36 << quint8(0x23) << VirtualMeter::liveFrame(0);
}

void TestVirtualMeter::answersEachCommand()
{
    QFETCH(int, records);
    QFETCH(quint8, command);
    QFETCH(QByteArray, answer);
    MeterOptions options;
    options.recordCount = records;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QVERIFY(port.send(command));
    QVERIFY(port.waitForBytes(answer.size()));
    QCOMPARE(port.received().toHex(' '), answer.toHex(' '));
}

void TestVirtualMeter::answersCommandsSentTogetherInOrder()
{
    VirtualMeter meter(unpaced());
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QVERIFY(port.send(bytes("050f2305")));
    const QByteArray expected =
        kHandshakeAnswer + bytes("05052400") + VirtualMeter::liveFrame(0) + kHandshakeAnswer;
    QVERIFY(port.waitForBytes(expected.size()));
    QCOMPARE(port.received().toHex(' '), expected.toHex(' '));
}

void TestVirtualMeter::leavesUnknownBytesUnanswered()
{
    VirtualMeter meter;
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QSignalSpy commands(&meter, &VirtualMeter::commandReceived);
    QSignalSpy started(&meter, &VirtualMeter::answerStarted);

    // The handshake after the unknown bytes marks the end: anything they caused would come first.
    QVERIFY(port.send(bytes("00040624221aff05")));
    QVERIFY(port.waitForBytes(kHandshakeAnswer.size()));
    QCOMPARE(port.received().toHex(' '), kHandshakeAnswer.toHex(' '));
    QTRY_COMPARE(commands.size(), 8);
    QCOMPARE(started.size(), 1);
}

void TestVirtualMeter::dumpHoldsTheStoredRecords_data()
{
    QTest::addColumn<int>("records");
    for (int n : {0, 1, 36, 100, 1638})
        QTest::addRow("%d records", n) << n;
}

void TestVirtualMeter::dumpHoldsTheStoredRecords()
{
    QFETCH(int, records);
    MeterOptions options = unpaced();
    options.recordCount = records;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QSignalSpy finished(&meter, &VirtualMeter::answerFinished);

    // A handshake behind the dump shows where the dump ends, even when it is empty.
    QVERIFY(port.send(bytes("1905")));
    const QByteArray expected = VirtualMeter::storedRecords(records) + kHandshakeAnswer;
    QVERIFY(port.waitForBytes(expected.size()));
    QCOMPARE(port.received().size(), records * kFrame + kHandshakeAnswer.size());
    QVERIFY(port.received() == expected);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(finished.at(0).at(0).value<quint8>(), quint8(0x19));
}

void TestVirtualMeter::liveFramesCycleThroughAllKinds()
{
    VirtualMeter meter(unpaced());
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QStringList kinds;
    for (int i = 0; i < 8; ++i) {
        port.clearReceived();
        QVERIFY(port.send(0x23));
        QVERIFY(port.waitForBytes(kFrame));
        const QByteArray frame = port.received();
        QCOMPARE(frame, VirtualMeter::liveFrame(i));
        QVERIFY2(frameProblem(frame).isEmpty(), qPrintable(frameProblem(frame)));
        kinds << kindOf(frame);
    }
    QCOMPARE(kinds, (QStringList{"phase 1", "phase 2", "phase 3", "totals", "type 1", "type 2",
                                 "type 3", "phase 1"}));
}

void TestVirtualMeter::answerLeavesOnlyAfterTheCommandArrived_data()
{
    QTest::addColumn<quint8>("command");
    QTest::newRow("handshake") << quint8(0x05);
    QTest::newRow("count") << quint8(0x0f);
    QTest::newRow("dump") << quint8(0x19);
    QTest::newRow("live frame") << quint8(0x23);
}

void TestVirtualMeter::answerLeavesOnlyAfterTheCommandArrived()
{
    QFETCH(quint8, command);
    MeterOptions options;
    options.recordCount = 3;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QStringList events;
    QByteArray waitingWhenCommandArrived("not read");
    QElapsedTimer sinceCommand;
    qint64 delayToFirstByte = -1;
    connect(&meter, &VirtualMeter::commandReceived, this, [&] {
        events << "command";
        waitingWhenCommandArrived = port.readNow();
        sinceCommand.start();
    });
    connect(&meter, &VirtualMeter::answerStarted, this, [&] {
        events << "started";
        delayToFirstByte = sinceCommand.nsecsElapsed();
    });
    QSignalSpy finished(&meter, &VirtualMeter::answerFinished);

    QVERIFY(port.send(command));
    QVERIFY(port.readNow().isEmpty());
    QVERIFY(finished.wait());
    QCOMPARE(events, (QStringList{"command", "started"}));
    QVERIFY2(waitingWhenCommandArrived.isEmpty(), waitingWhenCommandArrived.toHex(' ').constData());
    QVERIFY2(delayToFirstByte >= std::chrono::nanoseconds(1ms).count(),
             qPrintable(QString::number(delayToFirstByte)));
}

void TestVirtualMeter::pacedDumpTakesAtLeastItsTimeOnTheWire()
{
    constexpr int kRecords = 24;
    constexpr qsizetype kBytes = kRecords * kFrame;
    MeterOptions options;
    options.recordCount = kRecords;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const qint64 sent = port.now();
    QVERIFY(port.send(0x19));
    QVERIFY(port.waitForBytes(kBytes));
    QCOMPARE(port.received(), VirtualMeter::storedRecords(kRecords));
    // 960 bytes a second: the last byte may leave (n - 1) / 960 s after the first.
    const auto wireTime = std::chrono::nanoseconds(std::chrono::seconds(kBytes - 1)) / 960;
    const auto took = std::chrono::nanoseconds(port.reachedAt(kBytes) - sent);
    QVERIFY2(took >= wireTime, qPrintable(QStringLiteral("%1 ms").arg(took.count() / 1e6)));
    // Bytes come in small bursts, not as one block.
    QVERIFY2(port.readSizes().size() >= 10, qPrintable(QString::number(port.readSizes().size())));
}

void TestVirtualMeter::unpacedDumpOfEveryPossibleRecordArrivesWhole()
{
    MeterOptions options = unpaced();
    options.recordCount = korvane::sim::kMaxRecordCount;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QVERIFY(port.send(bytes("1905")));
    const QByteArray expected =
        VirtualMeter::storedRecords(korvane::sim::kMaxRecordCount) + kHandshakeAnswer;
    QVERIFY(port.waitForBytes(expected.size(), 30s));
    QCOMPARE(port.received().size(), expected.size());
    QVERIFY(port.received() == expected);
}

void TestVirtualMeter::keepsAnsweringAfterTheProgramReopensItsPort()
{
    VirtualMeter meter;
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QSignalSpy commands(&meter, &VirtualMeter::commandReceived);

    for (int round = 0; round < 3; ++round) {
        port.close();
        QString openError;
        QVERIFY2(port.open(meter.devicePath(), &openError), qPrintable(openError));
        port.clearReceived();
        QVERIFY(port.send(0x05));
        QVERIFY(port.waitForBytes(kHandshakeAnswer.size()));
        QCOMPARE(port.received(), kHandshakeAnswer);
    }
    // Closing the port is no command: the meter read exactly the three that were sent.
    QCOMPARE(commands.size(), 3);
}

void TestVirtualMeter::faultyAnswers_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("answers");
    QTest::newRow("wrong handshake") << "wrong handshake" << bytes("05") << bytes("d55554");
    QTest::newRow("malformed count") << "bad count" << bytes("0f") << bytes("05042400");
    QTest::newRow("zero count, records still dumped")
        << "zero count" << bytes("0f19") << bytes("05050000") + VirtualMeter::storedRecords(36);
}

void TestVirtualMeter::faultyAnswers()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, answers);
    MeterOptions options = unpaced();
    options.wrongHandshake = fault == "wrong handshake";
    options.badCount = fault == "bad count";
    options.zeroCount = fault == "zero count";
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QVERIFY(port.send(commands));
    QVERIFY(port.waitForBytes(answers.size()));
    QCOMPARE(port.received().toHex(' '), answers.toHex(' '));
}

void TestVirtualMeter::fallsSilent_data()
{
    QTest::addColumn<std::optional<int>>("afterAnswers");
    QTest::addColumn<std::optional<std::chrono::milliseconds>>("afterTime");
    QTest::addColumn<int>("answeredFirst");
    QTest::newRow("after two answers")
        << std::optional(2) << std::optional<std::chrono::milliseconds>() << 2;
    QTest::newRow("after no answer at all")
        << std::optional(0) << std::optional<std::chrono::milliseconds>() << 0;
    QTest::newRow("some time after start")
        << std::optional<int>() << std::optional<std::chrono::milliseconds>(300ms) << 1;
}

void TestVirtualMeter::fallsSilent()
{
    QFETCH(std::optional<int>, afterAnswers);
    QFETCH(std::optional<std::chrono::milliseconds>, afterTime);
    QFETCH(int, answeredFirst);
    MeterOptions options;
    options.silentAfterAnswers = afterAnswers;
    options.silentAfterTime = afterTime;
    VirtualMeter meter(options);
    SlavePort port;
    QSignalSpy silence(&meter, &VirtualMeter::silentChanged);
    QSignalSpy commands(&meter, &VirtualMeter::commandReceived);
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    for (int i = 0; i < answeredFirst; ++i) {
        QVERIFY(port.send(0x05));
        QVERIFY(port.waitForBytes((i + 1) * kHandshakeAnswer.size()));
    }
    if (silence.isEmpty())
        QVERIFY(silence.wait());
    QCOMPARE(silence.size(), 1);
    QCOMPARE(silence.at(0).at(0).toBool(), true);

    // The silent meter still reads this handshake; the count request after the silence is
    // lifted shows that nothing answered it.
    QVERIFY(port.send(0x05));
    QTRY_COMPARE(commands.size(), answeredFirst + 1);
    meter.setSilent(false);
    QVERIFY(port.send(0x0f));
    QByteArray expected = kHandshakeAnswer.repeated(answeredFirst) + bytes("05052400");
    QVERIFY(port.waitForBytes(expected.size()));
    QCOMPARE(port.received().toHex(' '), expected.toHex(' '));
}

void TestVirtualMeter::silenceEndsAfterSilentFor()
{
    constexpr auto kSilence = 200ms;
    MeterOptions options;
    options.silentAfterAnswers = 1;
    options.silentFor = kSilence;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QSignalSpy silence(&meter, &VirtualMeter::silentChanged);
    QSignalSpy commands(&meter, &VirtualMeter::commandReceived);

    // Started before the silence can begin, so it measures no more than the silence lasted.
    QElapsedTimer silent;
    silent.start();
    QVERIFY(port.send(0x05));
    QVERIFY(port.waitForBytes(kHandshakeAnswer.size()));
    QCOMPARE(silence.size(), 1);
    QVERIFY(port.send(0x05));
    QTRY_COMPARE(commands.size(), 2);

    QVERIFY(silence.wait(5000));
    QCOMPARE(silence.at(1).at(0).toBool(), false);
    QVERIFY2(silent.elapsed() >= (kSilence - 1ms).count(),
             qPrintable(QString::number(silent.elapsed())));
    QVERIFY(port.send(0x0f));
    const QByteArray expected = kHandshakeAnswer + bytes("05052400");
    QVERIFY(port.waitForBytes(expected.size()));
    QCOMPARE(port.received().toHex(' '), expected.toHex(' '));
    // The silence came once: later answers keep coming.
    QVERIFY(port.send(0x05));
    QVERIFY(port.waitForBytes(expected.size() + kHandshakeAnswer.size()));
}

void TestVirtualMeter::garbageReplacesEveryAnswer()
{
    MeterOptions options = unpaced();
    options.garbage = Garbage::Replace;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const struct
    {
        quint8 command;
        QByteArray answer;
    } cases[] = {
        {0x05, kHandshakeAnswer}, {0x0f, bytes("05052400")}, {0x23, VirtualMeter::liveFrame(0)}};
    for (const auto& c : cases) {
        port.clearReceived();
        QVERIFY(port.send(c.command));
        QVERIFY(port.waitForBytes(c.answer.size()));
        QCOMPARE(port.received().size(), c.answer.size());
        QVERIFY2(port.received() != c.answer, port.received().toHex(' ').constData());
    }
}

void TestVirtualMeter::garbageSurroundsEveryAnswer()
{
    MeterOptions options = unpaced();
    options.garbage = Garbage::Surround;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QSignalSpy finished(&meter, &VirtualMeter::answerFinished);

    for (quint8 command : {0x05, 0x0f, 0x23}) {
        port.clearReceived();
        const qint64 before = meter.bytesWritten();
        QVERIFY(port.send(command));
        QVERIFY(finished.wait());
        QVERIFY(port.waitForBytes(meter.bytesWritten() - before));
        const QByteArray answer = command == 0x05   ? kHandshakeAnswer
                                  : command == 0x0f ? bytes("05052400")
                                                    : VirtualMeter::liveFrame(0);
        const qsizetype at = port.received().indexOf(answer);
        QVERIFY2(at >= 1 && at + answer.size() < port.received().size(),
                 port.received().toHex(' ').constData());
    }
}

void TestVirtualMeter::chunkedAnswersArriveInPiecesWithGaps()
{
    constexpr int kChunk = 8;
    constexpr auto kGap = 200ms;
    MeterOptions options;
    options.chunkSize = kChunk;
    options.chunkGap = kGap;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const qint64 sent = port.now();
    QVERIFY(port.send(0x23));
    QVERIFY(port.waitForBytes(kFrame));
    QCOMPARE(port.received(), VirtualMeter::liveFrame(0));
    // Three pieces (8, 8, 4 bytes), two gaps between them.
    QVERIFY2(port.readSizes().first() <= kChunk,
             qPrintable(QString::number(port.readSizes().first())));
    QVERIFY(std::chrono::nanoseconds(port.reachedAt(kFrame) - sent) >= 2 * kGap);
}

void TestVirtualMeter::restartMidDumpDropsTheRestOfTheDump_data()
{
    QTest::addColumn<int>("cut");
    QTest::newRow("before the first byte") << 0;
    QTest::newRow("after one byte") << 1;
    QTest::newRow("in the middle of a record") << 107;
    QTest::newRow("one byte before the end") << 36 * 20 - 1;
}

void TestVirtualMeter::restartMidDumpDropsTheRestOfTheDump()
{
    QFETCH(int, cut);
    MeterOptions options = unpaced();
    options.restartMidDump = cut;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QSignalSpy aborted(&meter, &VirtualMeter::answerAborted);

    const QByteArray dump = VirtualMeter::storedRecords(36);
    QVERIFY(port.send(bytes("1905")));
    QByteArray expected = dump.left(cut) + kHandshakeAnswer;
    QVERIFY(port.waitForBytes(expected.size()));
    QCOMPARE(port.received().toHex(' '), expected.toHex(' '));
    QCOMPARE(aborted.size(), 1);
    QCOMPARE(aborted.at(0).at(0).value<quint8>(), quint8(0x19));

    // Only the first dump breaks off.
    QVERIFY(port.send(0x19));
    expected += dump;
    QVERIFY(port.waitForBytes(expected.size()));
    QVERIFY(port.received() == expected);
}

void TestVirtualMeter::unplugMidDumpPullsTheCableAndComesBack()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    MeterOptions options;
    options.linkPath = dir.filePath("meter");
    options.unplugMidDump = 50;
    options.replugAfter = 100ms;
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QSignalSpy unplugged(&meter, &VirtualMeter::unplugged);
    QSignalSpy replugged(&meter, &VirtualMeter::replugged);

    QVERIFY(port.send(0x19));
    QVERIFY(unplugged.wait());
    QTRY_VERIFY(port.isHungUp());
    QCOMPARE(port.received().toHex(' '), VirtualMeter::storedRecords(36).left(50).toHex(' '));
    QVERIFY(!QFileInfo(options.linkPath).isSymLink());

    QVERIFY(replugged.wait());
    QCOMPARE(QFileInfo(options.linkPath).symLinkTarget(), meter.devicePath());
    SlavePort again;
    QString openError;
    QVERIFY2(again.open(options.linkPath, &openError), qPrintable(openError));
    QVERIFY(again.send(0x19));
    QVERIFY(again.waitForBytes(36 * kFrame));
    QVERIFY(again.received() == VirtualMeter::storedRecords(36));
    QCOMPARE(unplugged.size(), 1);
}

void TestVirtualMeter::unplugHangsUpTheProgramsPortAndRemovesTheLink()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    MeterOptions options;
    options.linkPath = dir.filePath("meter");
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(QFileInfo(options.linkPath).symLinkTarget(), meter.devicePath());
    const QString device = meter.devicePath();
    QSignalSpy unplugged(&meter, &VirtualMeter::unplugged);
    QSignalSpy hungUp(&port, &SlavePort::hungUp);

    meter.unplug();
    QCOMPARE(unplugged.size(), 1);
    QVERIFY(!meter.isPlugged());
    QVERIFY(meter.devicePath().isEmpty());
    QVERIFY(hungUp.wait());
    QVERIFY(!QFileInfo(options.linkPath).isSymLink());
    QVERIFY(!QFileInfo::exists(device));
    SlavePort late;
    QString openError;
    QVERIFY(!late.open(device, &openError));

    meter.unplug();
    QCOMPARE(unplugged.size(), 1);
}

void TestVirtualMeter::replugRepointsTheLinkAtAWorkingDevice()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    MeterOptions options;
    options.linkPath = dir.filePath("meter");
    VirtualMeter meter(options);
    SlavePort port;
    const QString error = plugIn(meter, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QSignalSpy replugged(&meter, &VirtualMeter::replugged);
    QSignalSpy unplugged(&meter, &VirtualMeter::unplugged);

    meter.unplug();
    QString replugError;
    QVERIFY2(meter.replug(&replugError), qPrintable(replugError));
    QCOMPARE(replugged.size(), 1);
    QCOMPARE(replugged.at(0).at(0).toString(), meter.devicePath());
    QCOMPARE(QFileInfo(options.linkPath).symLinkTarget(), meter.devicePath());

    SlavePort again;
    QString openError;
    QVERIFY2(again.open(options.linkPath, &openError), qPrintable(openError));
    QVERIFY(again.send(0x05));
    QVERIFY(again.waitForBytes(kHandshakeAnswer.size()));
    QCOMPARE(again.received(), kHandshakeAnswer);

    // Replugging a plugged meter pulls the cable first.
    QVERIFY(meter.replug());
    QCOMPARE(unplugged.size(), 2);
    QCOMPARE(replugged.size(), 2);
    QCOMPARE(QFileInfo(options.linkPath).symLinkTarget(), meter.devicePath());
}

void TestVirtualMeter::stopRemovesTheLinkButNothingElse()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("meter");
    {
        MeterOptions options;
        options.linkPath = link;
        VirtualMeter meter(options);
        QString error;
        QVERIFY2(meter.start(&error), qPrintable(error));
        QVERIFY(QFileInfo(link).isSymLink());
        meter.stop();
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY2(meter.start(&error), qPrintable(error));
        QVERIFY(QFileInfo(link).isSymLink());
    }
    QVERIFY2(!QFileInfo(link).isSymLink(), "the destructor leaves the link behind");

    // A link that was re-pointed elsewhere meanwhile is not the meter's to remove.
    MeterOptions options;
    options.linkPath = link;
    VirtualMeter meter(options);
    QString error;
    QVERIFY2(meter.start(&error), qPrintable(error));
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(dir.path(), link));
    meter.stop();
    QCOMPARE(QFileInfo(link).symLinkTarget(), dir.path());
}

void TestVirtualMeter::startRefusesOptionsThatMakeNoSense_data()
{
    QTest::addColumn<MeterOptions>("options");
    auto with = [](auto change) {
        MeterOptions o;
        change(o);
        return o;
    };
    QTest::newRow("negative record count") << with([](MeterOptions& o) { o.recordCount = -1; });
    QTest::newRow("more records than the count can say")
        << with([](MeterOptions& o) { o.recordCount = 65536; });
    QTest::newRow("negative answer delay") << with([](MeterOptions& o) { o.answerDelay = -1ms; });
    QTest::newRow("negative chunk") << with([](MeterOptions& o) { o.chunkSize = -4; });
    QTest::newRow("negative chunk gap") << with([](MeterOptions& o) { o.chunkGap = -1ms; });
    QTest::newRow("negative silence") << with([](MeterOptions& o) { o.silentFor = -1ms; });
    QTest::newRow("silent after negative answers")
        << with([](MeterOptions& o) { o.silentAfterAnswers = -1; });
    QTest::newRow("restart before the dump")
        << with([](MeterOptions& o) { o.restartMidDump = -1; });
}

void TestVirtualMeter::startRefusesOptionsThatMakeNoSense()
{
    QFETCH(MeterOptions, options);
    VirtualMeter meter(options);
    QString error;
    QVERIFY(!meter.start(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!meter.isPlugged());
}

void TestVirtualMeter::startRefusesToReplaceAFileWithTheLink()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("meter");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    MeterOptions options;
    options.linkPath = path;
    VirtualMeter meter(options);
    QString error;
    QVERIFY(!meter.start(&error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY(!meter.isPlugged());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

QTEST_GUILESS_MAIN(TestVirtualMeter)
#include "tst_virtualmeter.moc"
