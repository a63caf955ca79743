// SPDX-License-Identifier: GPL-3.0-or-later
// The link driven tick by tick with a fake port and fake timers: port search, supervision,
// handshake, live polling (on the Record tab too while a consumer holds it), and the record
// download with its failure paths and its wait for the go. Frame and record texts themselves are
// covered in the measure and records suites.
#include "measure/livetexts.h"
#include "measure/liveview.h"
#include "session/metersession.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using namespace korvane::link;
using fakes::FakeSerialPort;
using fakes::FakeTimer;
using OpenError = platform::SerialPort::OpenError;
using Outcome = DownloadResult::Outcome;
using korvane::testing::FrameBuilder;
using korvane::testing::hex;

Q_DECLARE_METATYPE(OpenError)
Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(korvane::link::Polling)

namespace {
struct RecordingStatus
{
    QStringList ports, links; // as the window's labels read
    QList<PortAttempt> attempts;
};

// The status labels as the window shows them, so expectations read like the screen.
QString portLabel(const PortAttempt& attempt)
{
    return QStringLiteral("COM%1%2").arg(attempt.port).arg(attempt.opened() ? " Open" : "Unviable");
}

QByteArray dumpOf(int records)
{
    QByteArray dump;
    for (int i = 0; i < records; ++i)
        dump += FrameBuilder(1).q(13, quint16(500 + i % 10)).frame();
    return dump;
}

// A meter session over fake devices, with what it reports recorded as a front end shows it.
struct Rig : korvane::testing::FakeSession
{
    Link& link = session.meterLink();
    records::RecordModel& model = session.records();
    RecordingStatus status;
    measure::LiveTextsState live;

    Rig()
    {
        using session::MeterSession;
        QObject::connect(&session, &MeterSession::portAttempted, &session,
                         [this](const PortAttempt& attempt) {
                             status.ports << portLabel(attempt);
                             status.attempts << attempt;
                         });
        QObject::connect(
            &session, &MeterSession::linkStateChanged, &session, [this](LinkState state) {
                status.links << (state == LinkState::Connected ? "Connected" : "unconnected");
            });
        QObject::connect(&session, &MeterSession::readingReceived, &session,
                         [this](const measure::Reading& reading) {
                             measure::applyTo(measure::liveTexts(reading), live);
                         });
        session.start();
    }

    // Meter on COMn answers the handshake; the search runs until polling starts.
    void connectOn(int n)
    {
        port.setOpenResult(n, OpenError::None);
        for (int i = 0; i < 40 && !(link.isLinked() && !search.isActive()); ++i) {
            tick();
            if (port.isOpen() && port.selectedPort() == n && link.lastCommand() == kHandshake)
                port.feed(hex("d55555"));
        }
        QVERIFY(link.isLinked());
        QVERIFY(!search.isActive());
        port.takeWritten();
    }

    // Presses Read on the Record tab and answers the count request.
    void requestCount(const QByteArray& answer)
    {
        link.setPolling(Polling::KeepAlive);
        link.send(kCount);
        port.feed(answer);
    }
};
} // namespace

class TstLink : public QObject
{
    Q_OBJECT
private slots:
    void startUpArmsSearchPollAndSupervisionOnly()
    {
        Rig rig;
        QVERIFY(!rig.link.isLinked());
        QCOMPARE(rig.link.nextPort(), qint16(1));
        QVERIFY(rig.search.isActive());
        QVERIFY(rig.poll.isActive());
        QVERIFY(rig.supervision.isActive());
        QVERIFY(!rig.dumpDelay.isActive());
        QVERIFY(rig.port.written().isEmpty());
    }

    void meterOnCom3IsFoundOnTheThirdTick()
    {
        Rig rig;
        rig.port.setOpenResult(3, OpenError::None);
        rig.tick(3);
        QCOMPARE(rig.status.ports, (QStringList{"COM1Unviable", "COM2Unviable", "COM3 Open"}));
        QCOMPARE(rig.port.written(), hex("05"));
        rig.port.feed(hex("d55555"));
        QCOMPARE(rig.status.links, QStringList{"Connected"});
        QVERIFY(rig.link.isLinked());

        QSignalSpy polling(&rig.link, &Link::pollingStarted);
        rig.tick();
        QVERIFY(!rig.search.isActive());
        QVERIFY(rig.poll.isActive());
        QCOMPARE(polling.count(), 1);
        QCOMPARE(rig.link.nextPort(), qint16(4));
        QCOMPARE(rig.status.ports.size(), 3);
        QCOMPARE(rig.port.written(), hex("0523"));
    }

    void lostLinkRetriesTheMetersPortEveryOtherTick_data()
    {
        QTest::addColumn<bool>("unplugged");
        QTest::newRow("meter silent: lost on the fifth silent tick") << false;
        QTest::newRow("cable pulled: lost at once") << true;
    }
    void lostLinkRetriesTheMetersPortEveryOtherTick()
    {
        QFETCH(bool, unplugged);
        Rig rig;
        rig.connectOn(3);
        QSignalSpy lost(&rig.link, &Link::linkLost);
        if (unplugged)
            rig.port.unplug();
        for (int i = 0; i < 10 && rig.link.isLinked(); ++i)
            rig.tick();
        QCOMPARE(lost.count(), 1);
        QCOMPARE(rig.status.links.last(), QStringLiteral("unconnected"));
        QVERIFY(!rig.link.isLinked());
        rig.status.ports.clear();
        rig.tick(30);
        // One loss, however long the search: the label says "unconnected" again meanwhile.
        QCOMPARE(lost.count(), 1);
        QVERIFY(rig.status.links.count(QStringLiteral("unconnected")) > 1);
        QStringList expected;
        for (int n : {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 1, 2})
            expected << QStringLiteral("COM3 Open") << QStringLiteral("COM%1Unviable").arg(n);
        QCOMPARE(rig.status.ports, expected);

        // The meter answers again: the next tick on its port links it.
        rig.tick();
        QCOMPARE(rig.port.selectedPort(), 3);
        rig.port.feed(hex("d55555"));
        QVERIFY(rig.link.isLinked());
    }

    void readDuringTheSearchIsNoDownload()
    {
        // Read pressed while the search tries a port that opens but never answers.
        Rig rig;
        rig.port.setOpenResult(1, OpenError::None);
        rig.port.setOpenResult(2, OpenError::None);
        rig.link.setPolling(Polling::KeepAlive);
        rig.tick();
        rig.port.takeWritten();
        rig.link.readRecords();
        QVERIFY(rig.port.written().isEmpty());
        QVERIFY(!rig.link.downloading());
        rig.tick();
        rig.port.feed(hex("d55555"));
        rig.port.takeWritten();
        rig.tick();
        QVERIFY(!rig.search.isActive());
        QCOMPARE(rig.port.written(), hex("05"));
    }

    void noPortsAtAllCyclesSixteenAndWraps()
    {
        Rig rig;
        rig.tick(17);
        QStringList expected;
        for (int n = 1; n <= 16; ++n)
            expected << QStringLiteral("COM%1Unviable").arg(n);
        expected << QStringLiteral("COM1Unviable");
        QCOMPARE(rig.status.ports, expected);
        QCOMPARE(rig.status.links, (QStringList{"unconnected", "unconnected", "unconnected"}));
        QVERIFY(rig.port.written().isEmpty());
        QCOMPARE(rig.link.nextPort(), qint16(2));
    }

    void everyFailedOpenIsUnviable_data()
    {
        QTest::addColumn<OpenError>("error");
        QTest::newRow("in use") << OpenError::InUse;
        QTest::newRow("no such port") << OpenError::NoSuchPort;
        QTest::newRow("permission denied") << OpenError::PermissionDenied;
        QTest::newRow("any other failure") << OpenError::Other;
    }
    void everyFailedOpenIsUnviable()
    {
        QFETCH(OpenError, error);
        Rig rig;
        rig.port.setOpenResult(1, error);
        rig.tick();
        QCOMPARE(rig.status.ports, QStringList{"COM1Unviable"});
        QCOMPARE(rig.status.attempts.size(), 1);
        const PortAttempt& attempt = rig.status.attempts.first();
        QCOMPARE(attempt.port, 1);
        QCOMPARE(attempt.device, QStringLiteral("/dev/fake1"));
        QCOMPARE(attempt.result, error);
        QCOMPARE(attempt.systemReason, QStringLiteral("fake open failure"));
        QVERIFY(rig.port.written().isEmpty());
    }

    void handshakeAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("signOfLife");
        QTest::newRow("D5 55 55 connects") << hex("d55555") << true << true;
        QTest::newRow("D5 55 54 does not") << hex("d55554") << false << true;
        QTest::newRow("two bytes are neither answer nor life") << hex("d555") << false << false;
        QTest::newRow("answer with trailing bytes connects") << hex("d5555500") << true << true;
        QTest::newRow("garbage does not") << hex("000000") << false << true;
    }
    void handshakeAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, connected);
        QFETCH(bool, signOfLife);
        Rig rig;
        rig.port.setOpenResult(1, OpenError::None);
        rig.tick();
        QCOMPARE(rig.link.silentTicks(), qint16(1));
        rig.port.feed(answer);
        QCOMPARE(rig.link.isLinked(), connected);
        QCOMPARE(rig.status.links, connected ? QStringList{"Connected"} : QStringList{});
        QCOMPARE(rig.link.silentTicks(), qint16(signOfLife ? 0 : 1));
    }

    void aMeterAnsweringWithFragmentsIsLost_data()
    {
        QTest::addColumn<Polling>("polling");
        QTest::addColumn<QList<QByteArray>>("piecesPerPoll");
        QTest::addColumn<bool>("lost");
        const QByteArray frame = FrameBuilder(1).q(13, 499);
        QTest::newRow("live: 1 byte") << Polling::LiveFrames << QList{frame.first(1)} << true;
        QTest::newRow("live: 2 bytes") << Polling::LiveFrames << QList{frame.first(2)} << true;
        QTest::newRow("live: 6 bytes") << Polling::LiveFrames << QList{frame.first(6)} << true;
        QTest::newRow("live: 7 bytes are life, no frame")
            << Polling::LiveFrames << QList{frame.first(7)} << false;
        QTest::newRow("live: 4 + 3 bytes")
            << Polling::LiveFrames << QList{frame.first(4), frame.sliced(4, 3)} << false;
        QTest::newRow("keep-alive: 2 bytes") << Polling::KeepAlive << QList{hex("d555")} << true;
        QTest::newRow("keep-alive: 1 + 1 bytes")
            << Polling::KeepAlive << QList{hex("d5"), hex("55")} << true;
        QTest::newRow("keep-alive: 2 + 1 bytes")
            << Polling::KeepAlive << QList{hex("d555"), hex("55")} << false;
    }
    void aMeterAnsweringWithFragmentsIsLost()
    {
        QFETCH(Polling, polling);
        QFETCH(QList<QByteArray>, piecesPerPoll);
        QFETCH(bool, lost);
        Rig rig;
        rig.connectOn(1);
        rig.link.setPolling(polling);
        QSignalSpy shown(&rig.link, &Link::readingReceived);
        for (int i = 0; i < 10 && rig.link.isLinked(); ++i) {
            rig.tick();
            for (const QByteArray& piece : piecesPerPoll)
                rig.port.feed(piece);
        }
        QCOMPARE(!rig.link.isLinked(), lost);
        QCOMPARE(shown.count(), 0);
    }

    void handshakeWhileLinkedIsOnlyASignOfLife()
    {
        Rig rig;
        rig.connectOn(1);
        rig.link.setPolling(Polling::KeepAlive);
        rig.tick(3);
        QCOMPARE(rig.port.takeWritten(), hex("050505"));
        rig.port.feed(hex("d55555"));
        QCOMPARE(rig.link.silentTicks(), qint16(0));
        QCOMPARE(rig.status.links, QStringList{"Connected"});
    }

    void answersEveryTickKeepTheLinkUp()
    {
        Rig rig;
        rig.connectOn(1);
        for (int i = 0; i < 30; ++i) {
            rig.tick();
            rig.port.feed(FrameBuilder(1).q(13, 500));
            QVERIFY(rig.link.silentTicks() < 4);
        }
        QVERIFY(rig.link.isLinked());
        QCOMPARE(rig.live.values()[4], QStringLiteral("50Hz"));
    }

    void silenceIsNoticedOnTheFifthTick()
    {
        Rig rig;
        rig.connectOn(1);
        rig.port.feed(FrameBuilder(2));
        QSignalSpy lost(&rig.link, &Link::linkLost);
        rig.tick(4);
        QVERIFY(rig.link.isLinked());
        rig.tick();
        QVERIFY(!rig.link.isLinked());
        QCOMPARE(lost.count(), 1);
        QCOMPARE(rig.status.links.last(), QStringLiteral("unconnected"));
        QVERIFY(rig.search.isActive());
        QVERIFY(rig.poll.isActive());
        QVERIFY(rig.port.isOpen());
    }

    void liveFrameIsDecodedOnlyWhenWhole()
    {
        Rig rig;
        rig.connectOn(1);
        QSignalSpy shown(&rig.link, &Link::readingReceived);
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("23"));
        const QByteArray frame = FrameBuilder(1).q(13, 499);
        rig.port.feed(frame.first(7));
        rig.port.feed(frame.sliced(7, 6));
        QCOMPARE(shown.count(), 0);
        QCOMPARE(rig.live.values()[4], QStringLiteral("00.00var"));
        rig.port.feed(frame.sliced(13));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(rig.live.values()[4], QStringLiteral("49.9Hz"));
    }

    void partialAnswerIsDroppedWhenTheNextCommandGoesOut()
    {
        Rig rig;
        rig.connectOn(1);
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 499).frame().first(10));
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 600));
        QCOMPARE(rig.live.values()[4], QStringLiteral("60Hz"));
    }

    void unknownFrameTypeIsNotShown()
    {
        Rig rig;
        rig.connectOn(1);
        QSignalSpy shown(&rig.link, &Link::readingReceived);
        rig.tick();
        rig.port.feed(FrameBuilder(9));
        QCOMPARE(shown.count(), 0);
        QCOMPARE(rig.live.values()[4], QStringLiteral("00.00var"));
    }

    void liveAnswerStillDecodedAfterTheLinkWasLost()
    {
        Rig rig;
        rig.connectOn(1);
        for (int i = 0; i < 10 && rig.link.isLinked(); ++i)
            rig.tick();
        QVERIFY(!rig.link.isLinked());
        // Before the next search tick the poll's answer comes after all.
        rig.port.feed(FrameBuilder(1).q(13, 510));
        QCOMPARE(rig.live.values()[4], QStringLiteral("51Hz"));
    }

    void snapshotHoldsEveryReadingBeforeItIsAnnounced()
    {
        Rig rig;
        rig.connectOn(1);
        QList<double> seenAtSignal;
        QObject::connect(
            &rig.session, &session::MeterSession::readingReceived, &rig.session,
            [&](const measure::Reading& reading) {
                seenAtSignal
                    << rig.session.snapshot().latest(reading.quantities[0].key).quantity.value;
            });
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(1, 2300, 3).q(13, 500));
        rig.tick();
        rig.port.feed(FrameBuilder(2).q(10, 1200).at(18, 1));
        QCOMPARE(seenAtSignal, (QList<double>{230.0, 120.0}));
        const measure::Snapshot& snapshot = rig.session.snapshot();
        QCOMPARE(snapshot.latest(measure::Key::F).quantity.value, 50.0);
        QCOMPARE(snapshot.latest(measure::Key::AngleU1).quantity.value, 120.0);
    }

    void trendLinesEndWhenReadingsStop_data()
    {
        QTest::addColumn<bool>("lost");
        QTest::newRow("link lost") << true;
        QTest::newRow("keep-alives, with a live answer still on its way") << false;
    }
    void trendLinesEndWhenReadingsStop()
    {
        QFETCH(bool, lost);
        Rig rig;
        qint64 now = 0;
        rig.link.setClock([&] { return now += 500; });
        rig.connectOn(1);
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 500));
        if (lost) {
            for (int i = 0; i < 10 && rig.link.isLinked(); ++i)
                rig.tick();
            rig.connectOn(1);
        } else {
            rig.tick();
            rig.session.setPolling(Polling::KeepAlive);
            rig.port.feed(FrameBuilder(1).q(13, 502));
            rig.session.setPolling(Polling::LiveFrames);
        }
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 501));
        // One column per sample: every sample after the first follows a break.
        const trend::Series& f = rig.session.trend().series(measure::Key::F);
        const auto columns = f.decimate(f.timeAt(0), f.lastTime() + 1, int(f.size()));
        QCOMPARE(f.size(), lost ? 2 : 3);
        for (std::size_t c = 1; c < columns.size(); ++c)
            QVERIFY(columns[c].count == 1 && columns[c].breakBefore);
    }

    void commandsNeedAnOpenPort()
    {
        Rig rig;
        rig.link.send(kCount);
        rig.link.send(kHandshake);
        QVERIFY(rig.port.written().isEmpty());
        QCOMPARE(rig.link.lastCommand(), qint16(0));
        QVERIFY(rig.poll.isActive());
    }

    void sendWritesThenDiscardsBothWays_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("handshake") << 5;
        QTest::newRow("count, which stops the poll") << 15;
        QTest::newRow("live frame") << 35;
        QTest::newRow("dump") << 25;
        QTest::newRow("unknown code") << 99;
    }
    void sendWritesThenDiscardsBothWays()
    {
        QFETCH(int, code);
        Rig rig;
        rig.port.setOpenResult(1, OpenError::None);
        rig.link.openPort(1);
        const int inputDiscards = rig.port.inputDiscards();
        rig.link.send(qint16(code));
        QCOMPARE(rig.port.written(), QByteArray(1, char(code)));
        QCOMPARE(rig.link.lastCommand(), qint16(code));
        QCOMPARE(rig.port.inputDiscards(), inputDiscards + 1);
        QCOMPARE(rig.port.outputDiscards(), 1);
        QCOMPARE(rig.poll.isActive(), code != kCount);
    }

    void countAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("reccount");
        QTest::newRow("05 05 03 00 is three records") << hex("05050300") << 3;
        QTest::newRow("05 05 00 01 is 256 records") << hex("05050001") << 256;
        QTest::newRow("high count byte above 127 is unsigned") << hex("0505ffff") << 65535;
        QTest::newRow("1639 records fit") << hex("05056706") << 1639;
    }
    // The dump request goes out a tick after the count, and the dump is handled once every
    // counted record is there, not a byte earlier.
    void countAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, reccount);
        Rig rig;
        rig.connectOn(1);
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.requestCount(answer);
        QCOMPARE(int(rig.link.recordCount()), reccount);
        QVERIFY(rig.dumpDelay.isActive());
        QVERIFY(!rig.poll.isActive());
        QCOMPARE(rig.port.takeWritten(), hex("0f"));
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("19"));
        QVERIFY(!rig.dumpDelay.isActive());
        const QByteArray dump = dumpOf(reccount);
        rig.port.feed(dump.first(dump.size() - 1));
        QCOMPARE(ended.count(), 0);
        rig.port.feed(dump.last(1));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<DownloadResult>().received, reccount);
    }

    void countAnswerBehindALateKeepAliveAnswer_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("reccount");
        QTest::newRow("keep-alive answer, then the count")
            << QList<QByteArray>{hex("d55555"), hex("05050300")} << 3;
        QTest::newRow("both in one block") << QList<QByteArray>{hex("d5555505050300")} << 3;
        QTest::newRow("split across the seam")
            << QList<QByteArray>{hex("d555"), hex("550505"), hex("03"), hex("00")} << 3;
        QTest::newRow("its head discarded, two bytes left")
            << QList<QByteArray>{hex("5555"), hex("0505"), hex("0300")} << 3;
        QTest::newRow("its last byte left") << QList<QByteArray>{hex("55050503"), hex("00")} << 3;
        QTest::newRow("a malformed count behind it is still malformed")
            << QList<QByteArray>{hex("d55555"), hex("05040300")} << 0;
    }
    void countAnswerBehindALateKeepAliveAnswer()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, reccount);
        Rig rig;
        rig.connectOn(1);
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.link.setPolling(Polling::KeepAlive);
        rig.link.send(kCount);
        for (const QByteArray& piece : pieces)
            rig.port.feed(piece);
        QCOMPARE(int(rig.link.recordCount()), reccount);
        QCOMPARE(rig.dumpDelay.isActive(), reccount > 0);
        QCOMPARE(ended.count(), reccount > 0 ? 0 : 1);
    }

    void malformedCountAnswerResumesPolling()
    {
        Rig rig;
        rig.connectOn(1);
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.requestCount(hex("05040300"));
        QVERIFY(!rig.dumpDelay.isActive());
        QVERIFY(rig.poll.isActive());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<DownloadResult>().outcome, Outcome::BadCount);
        rig.port.takeWritten();
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("05"));
    }

    void zeroCountResetsTheTableWithoutADumpRequest()
    {
        Rig rig;
        rig.connectOn(1);
        rig.requestCount(hex("05050200"));
        rig.tick();
        rig.port.feed(dumpOf(2));
        QCOMPARE(rig.model.rowCount(), 4);

        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.requestCount(hex("05050000"));
        QCOMPARE(rig.model.rowCount(), 2);
        QCOMPARE(rig.model.table().cell(0, 0), QStringLiteral("NO."));
        QVERIFY(!rig.dumpDelay.isActive());
        QVERIFY(rig.poll.isActive());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<DownloadResult>().outcome, Outcome::Complete);
        rig.port.takeWritten();
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("05"));
    }

    void dumpArrivingInPiecesFillsTheTable()
    {
        Rig rig;
        rig.connectOn(1);
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        QSignalSpy progress(&rig.link, &Link::downloadProgress);
        rig.requestCount(hex("05050300"));
        rig.tick();
        const QByteArray dump = dumpOf(3);
        rig.port.feed(dump.first(25));
        rig.port.feed(dump.sliced(25, 20));
        QCOMPARE(ended.count(), 0);
        rig.port.feed(dump.sliced(45));
        QCOMPARE(ended.count(), 1);
        const auto result = ended.first().first().value<DownloadResult>();
        QCOMPARE(result.outcome, Outcome::Complete);
        QCOMPARE(result.received, 3);
        QCOMPARE(rig.model.rowCount(), 6);
        QCOMPARE(rig.model.table().cell(5, 5), QStringLiteral("50.2Hz"));
        QVERIFY(rig.poll.isActive());
        QCOMPARE(progress.count(), 3);
        QCOMPARE(progress.at(1), (QVariantList{2, 3}));
    }

    void longDumpStreamingForManyTicksCompletes()
    {
        Rig rig;
        rig.connectOn(1);
        QSignalSpy lost(&rig.link, &Link::linkLost);
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.requestCount(hex("0505e803")); // 1000 records
        rig.tick();
        const QByteArray dump = dumpOf(1000);
        // About 480 bytes per 500 ms at 9600 baud: the dump streams for some 40 ticks.
        for (qsizetype at = 0; at < dump.size(); at += 480) {
            rig.port.feed(dump.sliced(at, std::min<qsizetype>(480, dump.size() - at)));
            rig.tick();
        }
        QCOMPARE(lost.count(), 0);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<DownloadResult>().received, 1000);
        QCOMPARE(rig.model.rowCount(), 2000);
        QCOMPARE(rig.model.table().cell(1998, 0), QStringLiteral("NO:1000"));
    }

    void meterFallingSilentMidDumpKeepsWholeRecords_data()
    {
        QTest::addColumn<int>("bytesSent");
        QTest::addColumn<int>("received");
        QTest::addColumn<int>("rows");
        QTest::newRow("two and a half of five") << 50 << 2 << 4;
        QTest::newRow("nothing of five keeps the previous table") << 0 << 0 << 6;
        QTest::newRow("half a record keeps the previous table") << 10 << 0 << 6;
    }
    void meterFallingSilentMidDumpKeepsWholeRecords()
    {
        QFETCH(int, bytesSent);
        QFETCH(int, received);
        QFETCH(int, rows);
        Rig rig;
        rig.connectOn(1);
        rig.requestCount(hex("05050300"));
        rig.tick();
        rig.port.feed(dumpOf(3));
        QCOMPARE(rig.model.rowCount(), 6);

        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.requestCount(hex("05050500"));
        rig.tick();
        if (bytesSent > 0)
            rig.port.feed(dumpOf(5).first(bytesSent));
        rig.tick(5);
        QVERIFY(!rig.link.isLinked());
        QCOMPARE(ended.count(), 1);
        const auto result = ended.first().first().value<DownloadResult>();
        QCOMPARE(result.outcome, Outcome::Incomplete);
        QCOMPARE(result.received, received);
        QCOMPARE(result.count, 5);
        QCOMPARE(rig.model.rowCount(), rows);
        QVERIFY(rig.poll.isActive());
        QVERIFY(!rig.link.downloading());
    }

    // The meter cannot be told to stop its dump: what it still sends is dropped, keeps the link
    // up, and holds every command back until a tick has passed without a byte.
    void cancelDuringTheDumpKeepsWholeRecordsAndDrains_data()
    {
        QTest::addColumn<int>("bytesSent");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("readMeanwhile");
        QTest::newRow("two and a half records kept") << 50 << 2 << 4 << false;
        QTest::newRow("no whole record keeps the previous table") << 10 << 0 << 6 << false;
        QTest::newRow("Read while draining waits for the end") << 50 << 2 << 4 << true;
    }
    void cancelDuringTheDumpKeepsWholeRecordsAndDrains()
    {
        QFETCH(int, bytesSent);
        QFETCH(int, kept);
        QFETCH(int, rows);
        QFETCH(bool, readMeanwhile);
        Rig rig;
        rig.connectOn(1);
        rig.requestCount(hex("05050300"));
        rig.tick();
        rig.port.feed(dumpOf(3));

        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        QSignalSpy lost(&rig.link, &Link::linkLost);
        rig.requestCount(hex("05051400")); // 20 records
        rig.tick();
        const QByteArray dump = dumpOf(20);
        rig.port.feed(dump.first(bytesSent));
        rig.port.takeWritten();
        rig.session.cancelDownload();
        QCOMPARE(ended.count(), 1);
        const auto result = ended.first().first().value<DownloadResult>();
        QCOMPARE(result.outcome, Outcome::Stopped);
        QCOMPARE(result.received, kept);
        QCOMPARE(result.count, 20);
        QCOMPARE(rig.model.rowCount(), rows);
        QVERIFY(rig.session.draining());
        if (readMeanwhile)
            rig.session.readRecords();

        // The rest of the dump streams on for longer than a silent meter would stay linked.
        for (qsizetype at = bytesSent; at < dump.size(); at += 40) {
            rig.port.feed(dump.sliced(at, std::min<qsizetype>(40, dump.size() - at)));
            rig.tick();
        }
        QCOMPARE(lost.count(), 0);
        QVERIFY(rig.link.isLinked());
        QVERIFY(rig.session.draining());
        QCOMPARE(rig.model.rowCount(), rows);
        QCOMPARE(rig.port.takeWritten(), QByteArray());
        rig.tick(); // a whole tick without a byte
        QVERIFY(!rig.session.draining());
        QCOMPARE(rig.port.takeWritten(), QByteArray());
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), readMeanwhile ? hex("0f") : hex("05"));
    }

    // Cancel pressed after the dump request went out, before the meter's first byte: the meter
    // still sends the whole dump, which must drain, not be polled over and read as live frames.
    void cancelBeforeTheDumpsFirstByteStillDrainsIt_data()
    {
        QTest::addColumn<int>("ticksBeforeFirstByte");
        QTest::newRow("dump starts at once") << 0;
        QTest::newRow("dump starts a tick after the cancel") << 1;
    }
    void cancelBeforeTheDumpsFirstByteStillDrainsIt()
    {
        QFETCH(int, ticksBeforeFirstByte);
        Rig rig;
        rig.connectOn(1);
        rig.requestCount(hex("05051400")); // 20 records
        rig.tick();
        QCOMPARE(rig.link.lastCommand(), kDump);
        rig.session.cancelDownload();
        QVERIFY(rig.session.draining());
        // The user leaves the Record tab: live frames are wanted once the line is free.
        rig.session.setPolling(Polling::LiveFrames);
        QSignalSpy readings(&rig.session, &session::MeterSession::readingReceived);

        rig.tick(ticksBeforeFirstByte);
        rig.port.takeWritten();
        const QByteArray dump = dumpOf(20);
        for (qsizetype at = 0; at < dump.size(); at += 40) {
            rig.port.feed(dump.sliced(at, 40));
            rig.tick();
        }
        QCOMPARE(readings.count(), 0);                  // no stored record taken for a live one
        QCOMPARE(rig.port.takeWritten(), QByteArray()); // nothing sent into the dump
    }

    void silenceAfterTheCountRequestEndsTheDownload()
    {
        Rig rig;
        rig.connectOn(1);
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.link.setPolling(Polling::KeepAlive);
        rig.link.send(kCount);
        rig.tick(5);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<DownloadResult>().outcome, Outcome::NoCount);
        QVERIFY(!rig.link.downloading());
    }

    void downloadStartedBeforeTheSearchStopsIsNotInterruptedByPolls()
    {
        Rig rig;
        rig.port.setOpenResult(1, OpenError::None);
        rig.tick();
        rig.port.feed(hex("d55555"));
        rig.requestCount(hex("05050200"));
        rig.port.takeWritten();
        rig.tick();
        QVERIFY(!rig.search.isActive());
        QVERIFY(!rig.poll.isActive());
        QCOMPARE(rig.port.takeWritten(), hex("19"));
        rig.port.feed(dumpOf(2));
        QCOMPARE(rig.model.rowCount(), 4);
        QVERIFY(rig.poll.isActive());
    }

    void bytesBehindAHandledCountAnswerAreNoSecondAnswer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("behind");
        QTest::newRow("malformed, then the same again") << hex("05040300") << hex("05040300");
        QTest::newRow("malformed, then a well-formed count") << hex("05040300") << hex("05050300");
        QTest::newRow("zero count, then a count") << hex("05050000") << hex("05050300");
    }
    void bytesBehindAHandledCountAnswerAreNoSecondAnswer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, behind);
        Rig rig;
        rig.connectOn(1);
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.requestCount(answer);
        QCOMPARE(ended.count(), 1);
        rig.port.feed(behind);
        QCOMPARE(ended.count(), 1);
        QVERIFY(!rig.link.downloading());
        QVERIFY(!rig.dumpDelay.isActive());
        QCOMPARE(rig.link.recordCount(), quint16(0));
    }

    void dumpCutShortByASearchTickIsIncomplete()
    {
        // A count request sent while the search runs: the next search tick opens another port
        // and asks for a handshake, so the link waits for 3 bytes when the dump request goes
        // out, and the dump branch gets a short answer.
        Rig rig;
        rig.port.setOpenResult(1, OpenError::None);
        rig.port.setOpenResult(2, OpenError::None);
        rig.tick();
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.requestCount(hex("05050200"));
        QVERIFY(rig.dumpDelay.isActive());
        rig.tick();
        QCOMPARE(rig.port.selectedPort(), 2);
        rig.port.feed(hex("d55555"));
        QCOMPARE(ended.count(), 1);
        const auto result = ended.first().first().value<DownloadResult>();
        QCOMPARE(result.outcome, Outcome::Incomplete);
        QCOMPARE(result.received, 0);
        QCOMPARE(result.count, 2);
        QCOMPARE(rig.model.rowCount(), 2);
        QVERIFY(!rig.link.downloading());
    }

    void readAgainWhileTheDumpIsPendingSendsNoStrayDumpRequest_data()
    {
        QTest::addColumn<QByteArray>("secondAnswer");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("zero count") << hex("05050000") << 1 << Outcome::Complete;
        QTest::newRow("no answer until the link is lost") << QByteArray() << 5 << Outcome::NoCount;
    }
    void readAgainWhileTheDumpIsPendingSendsNoStrayDumpRequest()
    {
        QFETCH(QByteArray, secondAnswer);
        QFETCH(int, ticks);
        QFETCH(Outcome, outcome);
        Rig rig;
        rig.connectOn(1);
        rig.requestCount(hex("05050300"));
        QVERIFY(rig.dumpDelay.isActive());
        QSignalSpy ended(&rig.link, &Link::downloadEnded);
        rig.requestCount(secondAnswer);
        QVERIFY(!rig.dumpDelay.isActive());
        rig.port.takeWritten();
        rig.tick(ticks);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<DownloadResult>().outcome, outcome);
        QVERIFY(!rig.port.written().contains(char(kDump)));
    }

    void keepAliveOnTheRecordTabAndFramesOnRealtime()
    {
        Rig rig;
        rig.connectOn(1);
        rig.tick();
        rig.link.setPolling(Polling::KeepAlive);
        rig.tick();
        rig.link.setPolling(Polling::LiveFrames);
        rig.tick();
        QCOMPARE(rig.port.written(), hex("230523"));
    }

    // A log or a publish holds live readings: the record table shown costs them nothing.
    void recordTabPollsLiveFramesWhileAConsumerHolds_data()
    {
        QTest::addColumn<QString>("consumer");
        QTest::addColumn<QByteArray>("polls"); // on the Record tab, before and after the consumer
        QTest::newRow("none: keep-alives") << "none" << hex("0505");
        QTest::newRow("one that runs on") << "runs" << hex("2323");
        QTest::newRow("one that stops") << "stops" << hex("2305");
        QTest::newRow("one that is destroyed") << "destroyed" << hex("2305");
    }
    void recordTabPollsLiveFramesWhileAConsumerHolds()
    {
        QFETCH(QString, consumer);
        QFETCH(QByteArray, polls);
        Rig rig;
        qint64 now = 0;
        rig.link.setClock([&] { return now += 500; });
        rig.connectOn(1);
        auto log = std::make_unique<QObject>();
        if (consumer != "none")
            rig.session.holdLiveReadings(log.get());
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 500));
        QSignalSpy changed(&rig.session, &session::MeterSession::pollingChanged);
        rig.session.setPolling(Polling::KeepAlive);
        rig.port.takeWritten();
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 501));
        if (consumer == "stops")
            rig.session.releaseLiveReadings(log.get());
        if (consumer == "destroyed")
            log.reset();
        QTRY_COMPARE(rig.session.polling(),
                     polls.endsWith(char(kLive)) ? Polling::LiveFrames : Polling::KeepAlive);
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), polls);
        // The trend goes on unbroken while live frames do.
        const trend::Series& f = rig.session.trend().series(measure::Key::F);
        QCOMPARE(f.size(), std::size_t(polls.startsWith(char(kLive)) ? 2 : 1));
        const auto columns = f.decimate(f.timeAt(0), f.lastTime() + 1, int(f.size()));
        QCOMPARE(columns.back().breakBefore, false);
        QCOMPARE(changed.count(), polls.count(char(kHandshake)) > 0 ? 1 : 0);
    }

    // With live frames polled, the count request takes the place of a poll only once the last
    // live answer is whole, so no byte of a frame is read as the count.
    void readWhileLiveFramesArePolledWaitsForTheLiveAnswer_data()
    {
        QTest::addColumn<int>("before"); // bytes of the live answer there when Read is pressed
        QTest::addColumn<int>("later");  // bytes of it that come during the next tick
        QTest::addColumn<QByteArray>("ticks"); // written at the next two ticks
        QTest::newRow("answered: the next poll's place") << 20 << 0 << hex("0f");
        QTest::newRow("half arrived: the count follows the rest") << 7 << 13 << hex("0f");
        QTest::newRow("not begun: the count follows it") << 0 << 20 << hex("0f");
        QTest::newRow("stuck half way: one tick goes by, no more") << 7 << 0 << hex("0f");
    }
    void readWhileLiveFramesArePolledWaitsForTheLiveAnswer()
    {
        QFETCH(int, before);
        QFETCH(int, later);
        QFETCH(QByteArray, ticks);
        Rig rig;
        rig.connectOn(1);
        QObject log;
        rig.session.holdLiveReadings(&log);
        rig.session.setPolling(Polling::KeepAlive);
        QSignalSpy readings(&rig.session, &session::MeterSession::readingReceived);
        QSignalSpy waiting(&rig.session, &session::MeterSession::downloadWaiting);
        // From byte 7 on it reads as a count of 9: 05 05 09 00.
        const QByteArray frame = FrameBuilder(1).bytes(7, {5, 5, 9, 0}).q(13, 505);
        rig.tick();
        rig.port.feed(frame.first(before));
        rig.port.takeWritten();
        rig.session.readRecords();
        QVERIFY(rig.port.written().isEmpty());
        rig.tick();
        const QByteArray first = rig.port.takeWritten();
        rig.port.feed(frame.sliced(before, later));
        if (first.isEmpty())
            rig.tick();
        QCOMPARE(first + rig.port.takeWritten(), ticks);
        QCOMPARE(readings.count(), before + later == 20 ? 1 : 0);
        rig.port.feed(hex("05050300"));
        QCOMPARE(waiting.count(), 1);
        QCOMPARE(waiting.first().first().toInt(), 3);
        // Live polling goes on while the user decides.
        QVERIFY(!rig.dumpDelay.isActive());
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("23"));
        QVERIFY(!rig.session.livePaused());
    }

    void aDownloadWhileLiveFramesArePolledWaitsForTheGo_data()
    {
        QTest::addColumn<bool>("go");
        QTest::addColumn<QByteArray>("written"); // from the go on
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("rows");
        QTest::newRow("go: the count again, the dump, live frames paused meanwhile")
            << true << hex("0f1923") << Outcome::Complete << 8;
        QTest::newRow("cancel: no download, live frames go on")
            << false << hex("232323") << Outcome::Cancelled << 2;
    }
    void aDownloadWhileLiveFramesArePolledWaitsForTheGo()
    {
        QFETCH(bool, go);
        QFETCH(QByteArray, written);
        QFETCH(Outcome, outcome);
        QFETCH(int, rows);
        Rig rig;
        qint64 now = 0;
        rig.link.setClock([&] { return now += 500; });
        rig.connectOn(1);
        QObject log;
        rig.session.holdLiveReadings(&log);
        rig.session.setPolling(Polling::KeepAlive);
        QSignalSpy waiting(&rig.session, &session::MeterSession::downloadWaiting);
        QSignalSpy paused(&rig.session, &session::MeterSession::liveFramesPaused);
        QSignalSpy ended(&rig.session, &session::MeterSession::downloadEnded);
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 500));
        rig.session.readRecords();
        rig.tick();
        rig.port.feed(hex("05050300"));
        QCOMPARE(waiting.count(), 1);
        // At least as long as the dump takes at 960 bytes a second.
        QVERIFY(waiting.first().at(1).value<std::chrono::milliseconds>().count() >
                3 * 20 * 1000 / 960);
        rig.port.takeWritten();
        go ? rig.session.continueDownload() : rig.session.cancelDownload();
        rig.tick();
        if (go) {
            QCOMPARE(paused.count(), 1);
            rig.port.feed(hex("05050400")); // a record more since the first count
        }
        rig.tick();
        if (go)
            rig.port.feed(dumpOf(4));
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), written);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<DownloadResult>().outcome, outcome);
        QCOMPARE(rig.model.rowCount(), rows);
        QCOMPARE(paused.count(), go ? 2 : 0);
        QVERIFY(!rig.session.livePaused());
        QVERIFY(!rig.session.downloading());
        // The trend line does not bridge the download.
        rig.port.feed(FrameBuilder(1).q(13, 501));
        const trend::Series& f = rig.session.trend().series(measure::Key::F);
        const auto columns = f.decimate(f.timeAt(0), f.lastTime() + 1, int(f.size()));
        QCOMPARE(columns.back().breakBefore, go);
    }
};

QTEST_GUILESS_MAIN(TstLink)
#include "tst_link.moc"
