// SPDX-License-Identifier: GPL-3.0-or-later
// The publisher over a fake session and a real broker: a broker away costs only the oldest
// messages and the rest arrive in order; the meter's status is said once per change; finishing
// never waits for a broker that does not answer; a broker out of reach is named and tried again;
// live frames go on while it runs; and what a meter id and a prefix may be.
#include "publish/publisher.h"
#include "publish/topics.h"
#include "support/broker.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using testing::FrameBuilder;

namespace {
// A voltage frame whose frequency tells it apart: 50.0 Hz plus a tenth per step.
void sendFrame(testing::FakeSession& rig, int step)
{
    rig.tick();
    rig.port.feed(FrameBuilder(1).q(13, quint16(500 + step)));
}

publish::PublishOptions options(int port, std::size_t queueLimit = 5000)
{
    publish::PublishOptions o;
    o.broker = {QStringLiteral("127.0.0.1"), port, false};
    o.prefix = QStringLiteral("test/meter");
    o.queueLimit = queueLimit;
    return o;
}
} // namespace

class TstPublisher : public QObject
{
    Q_OBJECT
private slots:
    void aBrokerAwayCostsOnlyTheOldestMessages()
    {
        testing::Broker broker; // its port is chosen; it starts later
        testing::FakeSession rig;
        publish::Publisher publisher(rig.session, options(broker.port(), 20));
        rig.session.start();
        rig.linkOn1();
        // Ten frames of five values and a state each while nobody listens.
        for (int step = 1; step <= 10; ++step)
            sendFrame(rig, step);
        QVERIFY(rig.session.isLinked());
        QCOMPARE(publisher.dropped(), quint64(60 - 20));
        QTRY_VERIFY2(publisher.statusText().endsWith(QLatin1String("(40 messages dropped)")),
                     qPrintable(publisher.statusText()));
        // Once the waits between attempts are long, a listener is in place before it connects.
        QTRY_VERIFY_WITH_TIMEOUT(publisher.statusText().contains(QLatin1String("retrying in 8 s")),
                                 15000);
        QVERIFY(broker.start());
        testing::Subscriber sub(broker, QStringLiteral("test/meter/#"));
        QVERIFY(sub.start());
        QTRY_VERIFY_WITH_TIMEOUT(publisher.brokerConnected(), 15000);
        // The newest twenty were kept: the last two of frame 7 (its state among them), then 8, 9
        // and 10. Every state goes out, but of each value only the newest.
        QList<double> frequencies;
        QTRY_COMPARE((frequencies =
                          [&] {
                              QList<double> f;
                              for (const QByteArray& state : sub.payloads("test/meter/state"))
                                  f << QJsonDocument::fromJson(state)["values"]["F"].toDouble();
                              return f;
                          }()),
                     (QList<double>{50.7, 50.8, 50.9, 51.0}));
        QCOMPARE(sub.payloads("test/meter/U1").size(), 1);
        QCOMPARE(sub.payloads("test/meter/F"), QList<QByteArray>{"51"});
    }

    void theMeterStatusIsSaidOncePerChange()
    {
        testing::Broker broker;
        QVERIFY(broker.start());
        testing::Subscriber sub(broker, QStringLiteral("test/meter/status"));
        QVERIFY(sub.start());
        testing::FakeSession rig;
        publish::Publisher publisher(rig.session, options(broker.port()));
        rig.session.start();
        rig.linkOn1();
        QTRY_VERIFY(publisher.brokerConnected());
        sendFrame(rig, 0);
        rig.tick(15); // silence: the link is lost, and the search goes on losing nothing more
        QVERIFY(!rig.session.isLinked());
        rig.linkOn1();
        QTRY_COMPARE(sub.payloads("test/meter/status"),
                     (QList<QByteArray>{"online", "offline", "online"}));
        QTest::qWait(300);
        QCOMPARE(sub.payloads("test/meter/status").size(), 3);
    }

    // A broker that takes the connection and never answers it.
    void finishingNeverWaitsForTheBroker()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        testing::FakeSession rig;
        auto publisher =
            std::make_unique<publish::Publisher>(rig.session, options(silent.serverPort()));
        rig.session.start();
        rig.linkOn1();
        QTRY_VERIFY(publisher->statusText().startsWith(QLatin1String("broker: connecting")));
        QTest::qWait(200); // the client's thread is waiting for an answer now
        QElapsedTimer took;
        took.start();
        publisher->finish(2000);
        publisher.reset();
        QVERIFY2(took.elapsed() < 500, qPrintable(QString::number(took.elapsed())));
    }

    // Out of reach for now: said why, with the wait before the next attempt, never given up.
    void aBrokerOutOfReachIsTriedAgain_data()
    {
        QTest::addColumn<bool>("listening"); // else nothing listens on the port
        QTest::addColumn<QString>("why");
        QTest::newRow("nothing listens") << false << "Connection refused";
        QTest::newRow("takes the connection and never answers")
            << true << "no answer from the broker";
    }
    void aBrokerOutOfReachIsTriedAgain()
    {
        QFETCH(bool, listening);
        QFETCH(QString, why);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        const int port = silent.serverPort();
        if (!listening)
            silent.close();
        testing::FakeSession rig;
        publish::Publisher publisher(rig.session, options(port));
        QSignalSpy stopped(&publisher, &publish::Publisher::stopped);
        rig.session.start();
        rig.linkOn1();
        // The keepalive is 10 s: half as long again before a silent broker counts as gone.
        QTRY_VERIFY2_WITH_TIMEOUT(
            publisher.statusText().startsWith("broker: retrying: " + why + "; retrying in "),
            qPrintable(publisher.statusText()), 20000);
        QCOMPARE(stopped.count(), 0);
    }

    // Publishing holds live readings: the record table shown does not stop them until it ends.
    void publishingKeepsLiveFramesComing_data()
    {
        QTest::addColumn<bool>("finish");
        QTest::newRow("while it runs") << false;
        QTest::newRow("once it finished") << true;
    }
    void publishingKeepsLiveFramesComing()
    {
        QFETCH(bool, finish);
        testing::FakeSession rig;
        publish::Publisher publisher(rig.session, options(1)); // nobody listens there
        rig.session.setPolling(link::Polling::KeepAlive);
        rig.session.start();
        rig.linkOn1();
        if (finish)
            publisher.finish(0);
        rig.port.takeWritten();
        rig.tick(2);
        QCOMPARE(rig.port.written(), QByteArray(2, char(finish ? link::kHandshake : link::kLive)));
    }

    void meterIdsAndPrefixes_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("id");    // empty: any id that is topic-safe
        QTest::addColumn<QString>("other"); // a device whose id must differ; empty: none
        QTest::newRow("USB serial number") << "/dev/ttyUSB0"
                                           << "A1:B/2"
                                           << "A1_B_2" << QString();
        QTest::newRow("no serial number") << "/dev/ttyUSB0"
                                          << ""
                                          << "dev_ttyUSB0" << QString();
        QTest::newRow("serial number of nothing usable") << "/dev/ttyACM1"
                                                         << "///"
                                                         << "dev_ttyACM1" << QString();
        QTest::newRow("Windows") << "COM3"
                                 << ""
                                 << "COM3" << QString();
        QTest::newRow("names of nothing but non-ASCII letters stay apart")
            << QStringLiteral("/dev/\u00c4\u00d6") << "" << QString()
            << QStringLiteral("/dev/\u00dc\u00dc");
        QTest::newRow("a non-ASCII letter is not dropped")
            << QStringLiteral("/dev/tty\u00c4") << "" << QString() << "/dev/tty";
        QTest::newRow("non-ASCII serial numbers stay apart")
            << "/dev/ttyUSB0" << QStringLiteral("Z\u00e4hler") << QString()
            << QStringLiteral("Z\u00f6hler");
    }
    void meterIdsAndPrefixes()
    {
        QFETCH(QString, device);
        QFETCH(QString, serial);
        QFETCH(QString, id);
        QFETCH(QString, other);
        const QString made = publish::meterIdOf(device, serial);
        if (!id.isEmpty())
            QCOMPARE(made, id);
        QVERIFY(!made.isEmpty());
        QCOMPARE(publish::topicSafe(made), made);
        if (!other.isEmpty()) {
            // A serial number is compared with another serial number, a device with a device.
            const QString otherId = serial.isEmpty() ? publish::meterIdOf(other, QString())
                                                     : publish::meterIdOf(device, other);
            QVERIFY2(made != otherId, qPrintable(made));
        }
        QVERIFY(publish::prefixProblem(QStringLiteral("korvane/") + made).isEmpty());
        for (const QString& bad :
             {QString(), QStringLiteral("a/#"), QStringLiteral("a/+/b"), QStringLiteral("a//b"),
              QStringLiteral("a/"), QStringLiteral("$SYS/a"), QStringLiteral("a\u0001b"),
              QString(QStringLiteral("a")).append(QChar(0)).append(u'b'), QString(65536, u'a')})
            QVERIFY2(!publish::prefixProblem(bad).isEmpty(), qPrintable(bad.left(20)));
    }
};

QTEST_GUILESS_MAIN(TstPublisher)
#include "tst_publisher.moc"
