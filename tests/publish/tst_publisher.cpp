// SPDX-License-Identifier: GPL-3.0-or-later
// The publisher over a session whose meter is linked while the broker is away: the link goes
// on, the queue keeps the newest messages and counts what it dropped, and once the broker is
// there the status comes online.
#include "link/command.h"
#include "publish/publisher.h"
#include "support/broker.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QTest>

using namespace korvane;
using testing::FrameBuilder;

class TstPublisher : public QObject
{
    Q_OBJECT
private slots:
    void aBrokerAwayCostsOnlyTheOldestMessages()
    {
        testing::Broker broker; // its port is chosen; it starts later
        testing::FakeSession rig;
        publish::PublishOptions options;
        options.broker = {QStringLiteral("127.0.0.1"), broker.port(), false};
        options.prefix = QStringLiteral("test/meter");
        options.queueLimit = 20;
        publish::Publisher publisher(rig.session, options);
        rig.session.start();

        rig.port.setOpenResult(1, platform::SerialPort::OpenError::None);
        link::Link& link = rig.session.meterLink();
        for (int i = 0; i < 40 && !(link.isLinked() && !rig.search.isActive()); ++i) {
            rig.tick();
            if (rig.port.isOpen() && link.lastCommand() == link::kHandshake)
                rig.port.feed(testing::hex("d55555"));
        }
        QTRY_VERIFY(publisher.statusText().startsWith(QLatin1String("broker: retrying: ")));
        // Ten voltage frames: five values and the state each.
        for (int i = 0; i < 10; ++i) {
            rig.tick();
            rig.port.feed(FrameBuilder(1).q(13, 500));
        }
        QVERIFY(rig.session.isLinked());
        QCOMPARE(publisher.dropped(), quint64(60 - 20));
        QVERIFY2(publisher.statusText().endsWith(QLatin1String("(40 messages dropped)")),
                 qPrintable(publisher.statusText()));

        QVERIFY(broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(publisher.brokerConnected(), 20000);
        testing::Subscriber status(broker, QStringLiteral("test/meter/status"));
        QVERIFY(status.start());
        QTRY_COMPARE(status.payloads(QStringLiteral("test/meter/status")),
                     QList<QByteArray>{"online"});
    }
};

QTEST_GUILESS_MAIN(TstPublisher)
#include "tst_publisher.moc"
