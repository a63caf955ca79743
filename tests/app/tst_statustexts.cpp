// SPDX-License-Identifier: GPL-3.0-or-later
// The window's words for what the link reports: port label and tooltip, link label.
#include "app/statustexts.h"

#include <QTest>

using namespace korvane;
using link::LinkState;
using link::PortAttempt;
using OpenError = platform::SerialPort::OpenError;

class TstStatusTexts : public QObject
{
    Q_OBJECT
private slots:
    void portAttempts_data()
    {
        QTest::addColumn<PortAttempt>("attempt");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("tipMentions");
        QTest::addColumn<QStringList>("tipLeavesOut");
        QTest::newRow("opened") << PortAttempt{3, "/dev/ttyUSB0", OpenError::None, {}}
                                << "COM3 Open" << QStringList{"/dev/ttyUSB0"} << QStringList{"\n"};
        QTest::newRow("two digits")
            << PortAttempt{12, "/dev/ttyS3", OpenError::InUse, "busy"} << "COM12Unviable"
            << QStringList{"/dev/ttyS3"} << QStringList{"busy", "\n"};
        QTest::newRow("no device behind the number")
            << PortAttempt{16, {}, OpenError::NoSuchPort, "No such file or directory"}
            << "COM16Unviable" << QStringList{"no device"} << QStringList{"\n"};
        QTest::newRow("permission denied names the device and the group")
            << PortAttempt{1, "/dev/ttyUSB0", OpenError::PermissionDenied, "Permission denied"}
            << "COM1Unviable"
            << QStringList{"/dev/ttyUSB0\n", "Permission denied on /dev/ttyUSB0", "dialout"}
            << QStringList{};
        QTest::newRow("any other failure gives the system's reason")
            << PortAttempt{2, "/dev/ttyACM0", OpenError::Other, "Input/output error"}
            << "COM2Unviable" << QStringList{"Cannot open /dev/ttyACM0: Input/output error"}
            << QStringList{};
    }
    void portAttempts()
    {
        QFETCH(PortAttempt, attempt);
        QFETCH(QString, label);
        QFETCH(QStringList, tipMentions);
        QFETCH(QStringList, tipLeavesOut);
        QCOMPARE(app::StatusTexts::port(attempt), label);
        const QString tip = app::StatusTexts::portTip(attempt);
        for (const QString& text : tipMentions)
            QVERIFY2(tip.contains(text), qPrintable(tip));
        for (const QString& text : tipLeavesOut)
            QVERIFY2(!tip.contains(text), qPrintable(tip));
    }

    void publishing_data()
    {
        using Phase = publish::PublishState::Phase;
        using Kind = publish::BrokerProblem::Kind;
        QTest::addColumn<publish::PublishState>("state");
        QTest::addColumn<QString>("text");
        const auto state = [](Phase phase, publish::BrokerProblem problem = {},
                              quint64 dropped = 0) {
            return publish::PublishState{phase, problem, QString(), dropped};
        };
        QTest::newRow("connected") << state(Phase::Connected) << "MQTT: connected to h:1883";
        QTest::newRow("unreachable: the library's words left to the tooltip")
            << state(Phase::Retrying, {Kind::Unreachable, "Connection refused", 8})
            << "MQTT: cannot reach h:1883 (no connection); retrying in 8 s";
        QTest::newRow("lost")
            << state(Phase::Retrying, {Kind::Lost, {}, 2})
            << "MQTT: cannot reach h:1883 (the connection was lost); retrying in 2 s";
        QTest::newRow("silent broker")
            << state(Phase::Retrying, {Kind::NoAnswer, "Unknown error.", 4})
            << "MQTT: cannot reach h:1883 (no answer from the broker); retrying in 4 s";
        QTest::newRow("refused for good")
            << state(Phase::Stopped, {Kind::CredentialsRefused, "not authorised.", 0})
            << "MQTT: refused by h:1883 (user name or password refused); not retrying";
        QTest::newRow("drops counted")
            << state(Phase::Connected, {}, 12) << "MQTT: connected to h:1883; messages dropped: 12";
    }
    void publishing()
    {
        QFETCH(publish::PublishState, state);
        QFETCH(QString, text);
        QCOMPARE(app::StatusTexts::publishing(state, QStringLiteral("h:1883")), text);
    }

    void linkStates()
    {
        QCOMPARE(app::StatusTexts::linkState(LinkState::Connected), QStringLiteral("Connected"));
        QCOMPARE(app::StatusTexts::linkState(LinkState::Unconnected),
                 QStringLiteral("unconnected"));
    }
};

QTEST_GUILESS_MAIN(TstStatusTexts)
#include "tst_statustexts.moc"
