// SPDX-License-Identifier: GPL-3.0-or-later
// Alarm events as the logs write them: JSON Lines, the CSV/TSV status text, the line protocol.
#include "alarms/eventformat.h"
#include "datalog/fields.h"
#include "support/lineprotocol.h"

#include <QJsonDocument>
#include <QTest>

using namespace korvane;
using namespace korvane::alarms;

namespace {
// 2026-12-07T09:15:02.250Z
constexpr qint64 kMs = 1796634902250;

AlarmEvent alarmEvent(const QString& rule, AlarmState state, std::optional<double> value,
                      bool overload = false)
{
    return {kMs, std::get<Rule>(parseRule(rule)), state, value, overload};
}
} // namespace

Q_DECLARE_METATYPE(AlarmEvent)

class TestEventFormat : public QObject
{
    Q_OBJECT

private slots:
    void formats_data()
    {
        QTest::addColumn<AlarmEvent>("event");
        QTest::addColumn<QString>("meter");
        QTest::addColumn<QByteArray>("json"); // after the time
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("influx");
        QTest::newRow("raised with its value")
            << alarmEvent("U1>253 for 5s clear 251", AlarmState::Raised, 254.1) << "dev_ttyUSB0"
            << QByteArray(R"("alarm":"U1>253 for 5s clear 251","state":"raised","key":"U1",)"
                          R"("value":254.1})")
            << "alarm raised: U1>253 for 5s clear 251 (254.1)"
            << QByteArray("korvane_alarm,meter=dev_ttyUSB0,rule=u1_gt_253_for_5s_clear_251,key=U1 "
                          R"(alarm="U1>253 for 5s clear 251",state="raised",value=254.1 )"
                          "1796634902250000000\n");
        QTest::newRow("silent raised without a value, meter name escaped")
            << alarmEvent("U1 silent 30s", AlarmState::Raised, std::nullopt) << "bench 2,left"
            << QByteArray(R"("alarm":"U1 silent 30s","state":"raised","key":"U1"})")
            << "alarm raised: U1 silent 30s"
            << QByteArray(R"(korvane_alarm,meter=bench\ 2\,left,rule=u1_silent_30s,key=U1 )"
                          R"(alarm="U1 silent 30s",state="raised" 1796634902250000000)"
                          "\n");
        QTest::newRow("overload, no meter")
            << alarmEvent("I1>10", AlarmState::Raised, std::nullopt, true) << ""
            << QByteArray(R"("alarm":"I1>10","state":"raised","key":"I1","overload":true})")
            << "alarm raised: I1>10 (OL)"
            << QByteArray(R"(korvane_alarm,rule=i1_gt_10,key=I1 alarm="I1>10",state="raised",)"
                          "overload=true 1796634902250000000\n");
    }
    void formats()
    {
        QFETCH(AlarmEvent, event);
        QFETCH(QString, meter);
        QFETCH(QByteArray, json);
        const QByteArray line = jsonLine(event);
        QCOMPARE(line, "{\"time\":\"" + datalog::isoTimeBytes(kMs) + "\"," + json + '\n');
        QJsonParseError error;
        QJsonDocument::fromJson(line, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QTEST(statusText(event), "status");
        const QByteArray influx = influxLine(event, meter);
        QTEST(influx, "influx");
        QVERIFY(testing::parseLineProtocol(QString::fromUtf8(influx)));
    }
};

QTEST_GUILESS_MAIN(TestEventFormat)
#include "tst_eventformat.moc"
