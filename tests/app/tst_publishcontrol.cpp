// SPDX-License-Identifier: GPL-3.0-or-later
// Publishing from the window: settings kept between runs with the password in a file of its own
// that only the user may read, and the broker's state as text, against a real broker that asks
// for a password and then goes away.
#include "app/publishcontrol.h"
#include "support/broker.h"
#include "support/fakesession.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace korvane;

class TstPublishControl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
        QFile::remove(app::PublishSettings::passwordPath());
    }

    void settingsAreRememberedAndTheBrokersStateShown()
    {
        testing::Broker broker({false, QStringLiteral("meter"), QStringLiteral("s3cret pass")});
        QVERIFY(broker.start());
        testing::FakeSession rig;
        rig.session.start();
        rig.linkOn1();
        QVERIFY(rig.session.isLinked());

        app::PublishSettings settings;
        settings.enabled = true;
        settings.broker = broker.url();
        settings.prefix = QStringLiteral("window/meter");
        settings.username = QStringLiteral("meter");
        settings.password = QStringLiteral("s3cret pass");
        {
            app::PublishControl control(rig.session);
            QCOMPARE(control.statusText(), QStringLiteral("MQTT: off"));
            control.apply(settings);
            QTRY_VERIFY_WITH_TIMEOUT(control.statusText().startsWith("broker: connected to "),
                                     10000);
        }

        QFile password(app::PublishSettings::passwordPath());
        QCOMPARE(password.permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadUser | QFileDevice::WriteUser);
        QFile settingsFile(QSettings().fileName());
        QVERIFY(settingsFile.open(QIODevice::ReadOnly));
        QVERIFY(!settingsFile.readAll().contains("s3cret"));

        // The next run starts publishing by itself with what was kept.
        app::PublishControl again(rig.session);
        QCOMPARE(again.settings().password, settings.password);
        testing::Subscriber status(broker, QStringLiteral("window/meter/status"));
        QVERIFY(status.start());
        QTRY_VERIFY_WITH_TIMEOUT(again.statusText().startsWith("broker: connected to "), 10000);
        QTRY_VERIFY(status.payloads(QStringLiteral("window/meter/status")).endsWith("online"));

        broker.kill();
        QTRY_VERIFY_WITH_TIMEOUT(again.statusText().startsWith("broker: retrying: "), 10000);
        QVERIFY(rig.session.isLinked());
    }
};

QTEST_MAIN(TstPublishControl)
#include "tst_publishcontrol.moc"
