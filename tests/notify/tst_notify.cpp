// SPDX-License-Identifier: GPL-3.0-or-later
// What an alarm sets off: its command, with the event's words in its arguments, watched without
// waiting; and a desktop notification over a real session bus to a stub service (run under
// dbus-run-session by ctest; run by hand without a bus, those cases are skipped, saying so).
#include "alarms/rule.h"
#include "notify/alarmcommand.h"
#include "notify/desktopnotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using notify::CommandOutcome;
using Kind = CommandOutcome::Kind;

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(korvane::alarms::AlarmEvent)

namespace {
alarms::AlarmEvent alarmEvent(const QString& rule, alarms::AlarmState state,
                              std::optional<double> value, bool overload = false)
{
    alarms::AlarmEvent e;
    e.ms = 1'765'000'000'000;
    e.rule = std::get<alarms::Rule>(alarms::parseRule(rule));
    e.state = state;
    e.value = value;
    e.overload = overload;
    return e;
}
} // namespace

// The notification service as a desktop offers it, on a connection of its own.
class StubNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList calls;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int)
    {
        calls << app + u'|' + summary + u'|' + body;
        return 7;
    }
};

class TstNotify : public QObject
{
    Q_OBJECT
private slots:
    void argumentsCarryTheEvent_data()
    {
        QTest::addColumn<alarms::AlarmEvent>("event");
        QTest::addColumn<QStringList>("argv");
        using alarms::AlarmState;
        QTest::newRow("raised with its value")
            << alarmEvent("U1>253 for 5s", AlarmState::Raised, 254.1)
            << QStringList{"notify-send", "U1 raised", "254.1"};
        QTest::newRow("cleared") << alarmEvent("F<49.5", AlarmState::Cleared, 49.7)
                                 << QStringList{"notify-send", "F cleared", "49.7"};
        QTest::newRow("an overload reads OL") << alarmEvent("I1>10", AlarmState::Raised, {}, true)
                                              << QStringList{"notify-send", "I1 raised", "OL"};
        QTest::newRow("a silence has no value")
            << alarmEvent("U1 silent 30s", AlarmState::Raised, {})
            << QStringList{"notify-send", "U1 raised", ""};
    }
    void argumentsCarryTheEvent()
    {
        QFETCH(alarms::AlarmEvent, event);
        QFETCH(QStringList, argv);
        const auto command =
            notify::parseCommand(QStringLiteral("notify-send '%key %state' %value"));
        QVERIFY(command);
        QCOMPARE(notify::substituted(*command, event), argv);
        const QStringList timed = notify::substituted({QStringLiteral("%time")}, event);
        QVERIFY2(QDateTime::fromString(timed.first(), Qt::ISODateWithMs).toMSecsSinceEpoch() ==
                     event.ms,
                 qPrintable(timed.first()));
    }

    void commandsEndAndSaySo_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("exitCode");
        // The program sees each substituted word as one argument, whatever it holds.
        QTest::newRow("words arrive whole")
            << "sh -c 'test \"$1\" = \"U1 raised\" && test \"$2\" = 254.1' sh '%key %state' %value"
            << 10000 << Kind::Exited << 0;
        QTest::newRow("its exit code") << "sh -c 'exit 3'" << 10000 << Kind::Exited << 3;
        QTest::newRow("no such program")
            << "/nonexistent/korvane-alarm-hook %key" << 10000 << Kind::NotStarted << 0;
        QTest::newRow("killed after its time") << "sleep 30" << 200 << Kind::TimedOut << 0;
    }
    void commandsEndAndSaySo()
    {
        QFETCH(QString, command);
        QFETCH(int, limitMs);
        QFETCH(Kind, kind);
        QFETCH(int, exitCode);
        const auto argv = notify::parseCommand(command);
        QVERIFY(argv);
        notify::AlarmCommand run(*argv, std::chrono::milliseconds(limitMs));
        QSignalSpy ended(&run, &notify::AlarmCommand::ended);
        run.run(alarmEvent("U1>253", alarms::AlarmState::Raised, 254.1));
        QVERIFY(ended.wait(10000));
        const auto outcome = ended.first().first().value<CommandOutcome>();
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.exitCode, exitCode);
        QCOMPARE(outcome.reason.isEmpty(), kind != Kind::NotStarted);
        QVERIFY(!run.running());
    }

    void aCommandStillRunningLetsTheNextEventGo()
    {
        notify::AlarmCommand run({QStringLiteral("sleep"), QStringLiteral("30")},
                                 std::chrono::milliseconds(500));
        QSignalSpy ended(&run, &notify::AlarmCommand::ended);
        run.run(alarmEvent("U1>253", alarms::AlarmState::Raised, 254.1));
        run.run(alarmEvent("U1>253", alarms::AlarmState::Cleared, 250.0));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<CommandOutcome>().kind, Kind::Busy);
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.last().first().value<CommandOutcome>().kind, Kind::TimedOut);
    }

    void emptyCommandsAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("an empty word") << "''";
        QTest::newRow("a quote left open") << "notify-send 'U1";
    }
    void emptyCommandsAreRefused()
    {
        QFETCH(QString, text);
        QVERIFY(!notify::parseCommand(text));
    }

    void notificationsReachTheDesktop_data()
    {
        QTest::addColumn<bool>("serviceThere");
        QTest::newRow("a notification service") << true;
        QTest::newRow("none on the bus") << false;
    }
    void notificationsReachTheDesktop()
    {
        QFETCH(bool, serviceThere);
        if (!qEnvironmentVariableIsSet("KORVANE_TEST_BUS"))
            QSKIP("needs a session bus of its own: ctest runs it under dbus-run-session");
        QDBusConnection stub =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stub"));
        QVERIFY(stub.isConnected());
        StubNotifications service;
        const QString name = QStringLiteral("org.freedesktop.Notifications");
        if (serviceThere) {
            QVERIFY(stub.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                        QDBusConnection::ExportAllSlots));
            QVERIFY(stub.registerService(name));
        }
        notify::DesktopNotifier notifier;
        QVERIFY(notifier.available());
        QSignalSpy delivered(&notifier, &notify::DesktopNotifier::delivered);
        QSignalSpy failed(&notifier, &notify::DesktopNotifier::failed);
        notifier.notify(QStringLiteral("U1 raised"), QStringLiteral("254.1 V"));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.count() + failed.count(), 1, 10000);
        QCOMPARE(delivered.count(), serviceThere ? 1 : 0);
        if (serviceThere)
            QCOMPARE(service.calls, QStringList{"Korvane|U1 raised|254.1 V"});
        else
            QVERIFY(!failed.first().first().toString().isEmpty());
        stub.unregisterService(name);
        stub.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("stub"));
    }

    void noBusIsSaidNotWaitedFor()
    {
        notify::DesktopNotifier notifier(QDBusConnection(QStringLiteral("nowhere")));
        QVERIFY(!notifier.available());
        QSignalSpy failed(&notifier, &notify::DesktopNotifier::failed);
        notifier.notify(QStringLiteral("U1 raised"), QString());
        QCOMPARE(failed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TstNotify)
#include "tst_notify.moc"
