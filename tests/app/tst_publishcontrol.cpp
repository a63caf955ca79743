// SPDX-License-Identifier: GPL-3.0-or-later
// Publishing from the window: settings kept between runs with the password in a file of its own
// that only the user may read, and the broker's state as text, against a real broker that asks
// for a password and then goes away; settings that could never work refused by the dialog, and a
// broker that refuses us for good left alone until Retry.
#include "app/publishcontrol.h"
#include "app/publishdialog.h"
#include "app/watchcontrol.h"
#include "notify/desktopnotifier.h"
#include "support/broker.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

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
        testing::Broker broker({false, QStringLiteral("meter"), QStringLiteral("s3cret pass"), {}});
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
            QTRY_VERIFY_WITH_TIMEOUT(
                control.statusText().startsWith("MQTT: connected to 127.0.0.1:"), 10000);
        }

        QFile password(app::PublishSettings::passwordPath());
        QCOMPARE(password.permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadUser | QFileDevice::WriteUser);
        QFile settingsFile(QSettings().fileName());
        QVERIFY(settingsFile.open(QIODevice::ReadOnly));
        QVERIFY(!settingsFile.readAll().contains("s3cret"));

        // The next run starts publishing by itself with what was kept, even after a hand that
        // edited the password file left a line end behind.
        QVERIFY(password.open(QIODevice::WriteOnly));
        password.write("s3cret pass\n");
        password.close();
        app::PublishControl again(rig.session);
        QCOMPARE(again.settings().password, settings.password);
        testing::Subscriber status(broker, QStringLiteral("window/meter/status"));
        QVERIFY(status.start());
        QTRY_VERIFY_WITH_TIMEOUT(again.statusText().startsWith("MQTT: connected to 127.0.0.1:"),
                                 10000);
        QTRY_VERIFY(status.payloads(QStringLiteral("window/meter/status")).endsWith("online"));

        broker.kill();
        QTRY_VERIFY_WITH_TIMEOUT(again.statusText().startsWith("MQTT: cannot reach 127.0.0.1:"),
                                 10000);
        QVERIFY(rig.session.isLinked());
    }

    // With energy and an alarm watched, the window announces E and the rule to Home Assistant
    // and publishes the rule's state; a change of the watch starts publishing again with it, and
    // what it no longer has is cleared.
    void energyAndAlarmsArePublishedWithTheirDiscovery()
    {
        testing::Broker broker;
        QVERIFY(broker.start());
        testing::Subscriber discovery(broker, QStringLiteral("homeassistant/#"));
        QVERIFY(discovery.start());
        testing::Subscriber alarm(broker, QStringLiteral("window/energy/alarm/#"));
        QVERIFY(alarm.start());
        testing::FakeSession rig;
        rig.session.start();
        rig.linkOn1();
        notify::DesktopNotifier notifier;
        QTemporaryDir data;
        app::WatchControl watch(rig.session, notifier, data.path());
        watch.setEnergy({true, QString()});
        watch.setAlarms({{QStringLiteral("U1>253"), QString()}});

        app::PublishSettings settings;
        settings.enabled = true;
        settings.broker = broker.url();
        settings.prefix = QStringLiteral("window/energy");
        settings.haDiscovery = true;
        app::PublishControl control(rig.session);
        control.setWatch(&watch);
        control.apply(settings);
        // The latest config of a topic; empty when it was cleared.
        const auto configOf = [&discovery](const QString& end) {
            QByteArray latest;
            for (const testing::Message& m : discovery.messages()) {
                if (m.topic.endsWith(end))
                    latest = m.payload;
            }
            return latest;
        };
        QTRY_VERIFY_WITH_TIMEOUT(control.statusText().startsWith("MQTT: connected to 127.0.0.1:"),
                                 10000);
        // E is announced with the first reading that carries it.
        rig.tick();
        rig.port.feed(testing::FrameBuilder(0, 3).q(11, 1000, 2));
        QTRY_VERIFY_WITH_TIMEOUT(!configOf("/E/config").isEmpty(), 10000);
        QVERIFY(configOf("/E/config").contains(R"("device_class":"energy")"));
        QTRY_VERIFY(configOf("/u1_gt_253/config").contains(R"("device_class":"problem")"));
        QString alarmConfig;
        for (const testing::Message& m : discovery.messages()) {
            if (m.topic.endsWith("/u1_gt_253/config"))
                alarmConfig = m.topic;
        }
        QTRY_VERIFY(alarm.payloads("window/energy/alarm/u1_gt_253").endsWith("OFF"));

        const QPointer<publish::Publisher> before = control.publisher();
        watch.setAlarms({});
        QVERIFY(before.isNull() && control.publisher());
        // The rule removed: its state and its entity are taken off the broker.
        QTRY_VERIFY_WITH_TIMEOUT(alarm.payloads("window/energy/alarm/u1_gt_253").endsWith(""),
                                 10000);
        QTRY_VERIFY(discovery.payloads(alarmConfig).size() == 2 &&
                    configOf("/u1_gt_253/config").isEmpty());
        QVERIFY(!configOf("/E/config").isEmpty());
    }

    void theDialogRefusesWhatCouldNeverWork_data()
    {
        QTest::addColumn<QString>("broker");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<QString>("reason"); // empty: accepted
        QTest::newRow("prefix of the broker's own topics")
            << "mqtt://h"
            << "$SYS/x" << QString() << QString() << "start with $";
        QTest::newRow("control character in the prefix")
            << "mqtt://h"
            << "a\tb" << QString() << QString() << "control characters";
        QTest::newRow("query after the address")
            << "mqtt://h?x=1" << QString() << QString() << QString() << "query";
        QTest::newRow("user name libmosquitto refuses")
            << "mqtt://h" << QString() << "me\x01ter" << QString() << "user name";
        QTest::newRow("CA file that is a device")
            << "mqtts://h" << QString() << QString() << "/dev/null"
            << "not a regular file";
        QTest::newRow("address without a scheme")
            << "h:1884" << QString() << QString() << QString() << QString();
    }
    void theDialogRefusesWhatCouldNeverWork()
    {
        QFETCH(QString, broker);
        QFETCH(QString, prefix);
        QFETCH(QString, username);
        QFETCH(QString, caFile);
        QFETCH(QString, reason);
        app::PublishDialog dialog;
        app::PublishSettings settings;
        settings.enabled = true;
        settings.broker = broker;
        settings.prefix = prefix;
        settings.username = username;
        settings.caFile = caFile;
        dialog.setSettings(settings);
        QSignalSpy chosen(&dialog, &app::PublishDialog::settingsChosen);
        dialog.open();
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(chosen.count(), reason.isEmpty() ? 1 : 0);
        QCOMPARE(dialog.isVisible(), !reason.isEmpty());
        if (reason.isEmpty())
            return;
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(),
                            [&](QLabel* l) { return l->text().contains(reason); }));
    }

    void okWithPublishingOffAsksWhetherToStart_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("start") << "Start publishing" << true;
        QTest::newRow("keep it off") << "Keep it off" << false;
    }
    void okWithPublishingOffAsksWhetherToStart()
    {
        QFETCH(QString, answer);
        QFETCH(bool, enabled);
        app::PublishDialog dialog;
        app::PublishSettings settings;
        settings.enabled = false;
        settings.broker = QStringLiteral("mqtt://h");
        dialog.setSettings(settings);
        QSignalSpy chosen(&dialog, &app::PublishDialog::settingsChosen);
        dialog.open();
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(chosen.count(), 0);
        auto* question = dialog.findChild<QMessageBox*>();
        QVERIFY(question && question->isVisible());
        const QList<QAbstractButton*> buttons = question->buttons();
        const auto button = std::find_if(buttons.cbegin(), buttons.cend(),
                                         [&](QAbstractButton* b) { return b->text() == answer; });
        QVERIFY(button != buttons.cend());
        (*button)->click();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().value<app::PublishSettings>().enabled, enabled);
    }

    void testConnectionSaysHowItWent_data()
    {
        QTest::addColumn<QString>("password"); // empty: nothing listens where the broker was
        QTest::addColumn<QString>("says");
        QTest::newRow("accepted") << "s3cret"
                                  << "accepts the connection";
        QTest::newRow("wrong password") << "wrong"
                                        << "refuses: user name or password refused";
        QTest::newRow("nothing listening") << QString() << "Cannot reach 127.0.0.1:";
    }
    void testConnectionSaysHowItWent()
    {
        QFETCH(QString, password);
        QFETCH(QString, says);
        testing::Broker broker({false, QStringLiteral("meter"), QStringLiteral("s3cret"), {}});
        QVERIFY2(broker.start(), qPrintable(broker.log()));
        app::PublishSettings settings;
        settings.enabled = true;
        settings.broker = broker.url();
        settings.username = QStringLiteral("meter");
        settings.password = password;
        if (password.isEmpty())
            broker.kill();
        app::PublishDialog dialog;
        dialog.setSettings(settings);
        dialog.open();
        dialog.testButton()->click();
        QTRY_VERIFY2_WITH_TIMEOUT(dialog.message().contains(says), qPrintable(dialog.message()),
                                  10000);
        QVERIFY(dialog.testButton()->isEnabled());
    }

    // Credentials and certificates refused are not tried again by themselves.
    void aRefusalForGoodWaitsForRetry_data()
    {
        QTest::addColumn<bool>("tls"); // a CA that did not sign the broker, else a wrong password
        QTest::addColumn<QString>("reason");
        QTest::newRow("wrong password") << false << "user name or password refused";
        QTest::newRow("broker not signed by the CA given")
            << true << "certificate failed verification";
    }
    void aRefusalForGoodWaitsForRetry()
    {
        QFETCH(bool, tls);
        QFETCH(QString, reason);
        testing::Broker broker({tls, QStringLiteral("meter"), QStringLiteral("s3cret"), {}});
        QVERIFY2(broker.start(), qPrintable(broker.log()));
        testing::Broker stranger({true, {}, {}, {}});
        QVERIFY(!tls || stranger.prepare());
        testing::FakeSession rig;
        rig.session.start();
        rig.linkOn1();
        app::PublishSettings settings;
        settings.enabled = true;
        settings.broker = broker.url();
        settings.username = QStringLiteral("meter");
        settings.password = tls ? QStringLiteral("s3cret") : QStringLiteral("wrong");
        settings.caFile = stranger.caFile();
        app::PublishControl control(rig.session);
        control.apply(settings);
        const auto stopped = [&] {
            return control.statusText().startsWith(QLatin1String("MQTT: refused by 127.0.0.1:")) &&
                   control.statusText().contains(reason);
        };
        QTRY_VERIFY2_WITH_TIMEOUT(stopped(), qPrintable(control.statusText()), 10000);
        QVERIFY(!control.retryButton()->isHidden());
        // Nothing runs that closing the window would cut short.
        QVERIFY(!control.publishing());
        // Each connection is logged once: as new, or, when TLS fails before that, as failed.
        const auto attempts = [&broker] {
            const QString log = broker.log();
            return log.count(QLatin1String("New connection from")) +
                   log.count(QLatin1String("Client connection from"));
        };
        const qsizetype refused = attempts(); // the broker's start was probed too
        QTest::qWait(1500);                   // longer than the first wait between attempts
        QCOMPARE(attempts(), refused);

        control.retryButton()->click();
        QVERIFY(control.retryButton()->isHidden());
        QVERIFY(control.publishing());
        QTRY_VERIFY2_WITH_TIMEOUT(attempts() == refused + 1, qPrintable(broker.log()), 10000);
        QTRY_VERIFY2_WITH_TIMEOUT(stopped(), qPrintable(control.statusText()), 10000);
        QVERIFY(rig.session.isLinked());
    }
};

QTEST_MAIN(TstPublishControl)
#include "tst_publishcontrol.moc"
