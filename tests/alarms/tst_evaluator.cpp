// SPDX-License-Identifier: GPL-3.0-or-later
// When rules raise and clear over a run of samples, link losses and clock ticks; no real time.
#include "alarms/evaluator.h"

#include <QRandomGenerator>
#include <QTest>

using namespace korvane;
using namespace korvane::alarms;
using measure::Key;
using measure::State;

namespace {
constexpr double kOverload = std::numeric_limits<double>::infinity();
constexpr qint64 kPeriodMs = 300; // denser than the meter sends a key, so timing shows to 0.3 s

struct Step
{
    enum Kind : quint8 { Sample, LinkLost, Tick };
    qint64 ms = 0;
    Kind kind = Sample;
    Key key = Key::U1;
    double value = 0;
};
using Script = QList<Step>;

// Samples of key every kPeriodMs from startMs: each segment a length of time at a value.
Script segments(qint64 startMs, std::initializer_list<std::pair<qint64, double>> parts,
                Key key = Key::U1)
{
    Script out;
    qint64 ms = startMs;
    for (const auto& [lengthMs, value] : parts) {
        for (const qint64 end = ms + lengthMs; ms < end; ms += kPeriodMs)
            out.append({ms, Step::Sample, key, value});
    }
    return out;
}

// An hour of readings uniformly within ±0.5 of centre, the same every run.
Script noise(qint64 startMs, double centre)
{
    QRandomGenerator random(24);
    Script out;
    for (qint64 ms = startMs; ms < startMs + 3'600'000; ms += kPeriodMs)
        out.append({ms, Step::Sample, Key::U1, centre + random.generateDouble() - 0.5});
    return out;
}

Step sample(qint64 ms, double value, Key key = Key::U1)
{
    return {ms, Step::Sample, key, value};
}

QString describe(const AlarmEvent& e)
{
    const QString state = e.state == AlarmState::Raised ? "raised" : "cleared";
    const QString value = e.overload ? "OL" : e.value ? QString::number(*e.value) : "-";
    return QStringLiteral("%1 %2 %3").arg(state).arg(e.ms).arg(value);
}
} // namespace

class TestEvaluator : public QObject
{
    Q_OBJECT

private slots:
    void events_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<Script>("script");
        QTest::addColumn<QStringList>("expected");

        // 3 s above, 6.9 s back, then 12 s above from 20100: 5 s later falls between samples.
        QTest::newRow("short excursion ignored, long one raised once and cleared once")
            << "U1>253 for 5s clear 251"
            << segments(0, {{10200, 230}, {3000, 254.1}, {6900, 230}, {12000, 254.1}, {900, 230}})
            << QStringList{"raised 25200 254.1", "cleared 32100 230"};
        QTest::newRow("an hour of noise at the threshold after a raise adds nothing")
            << "U1>253 for 5s clear 251" << segments(0, {{6000, 254}}) + noise(6000, 253)
            << QStringList{"raised 5100 254"};
        QTest::newRow("the same noise never holds 5 s, so raises nothing either")
            << "U1>253 for 5s clear 251" << noise(0, 253) << QStringList{};
        QTest::newRow("dips inside the hysteresis keep it, one past the clear value clears")
            << "U1>253 clear 251" << segments(0, {{300, 254}, {300, 251}, {300, 250.9}})
            << QStringList{"raised 0 254", "cleared 600 250.9"};
        QTest::newRow("without a clear value the end of the condition clears")
            << "U1>253" << segments(0, {{300, 254}, {300, 253}})
            << QStringList{"raised 0 254", "cleared 300 253"};
        QTest::newRow("below with hysteresis")
            << "F<49.5 clear 49.8" << segments(0, {{300, 49.4}, {300, 49.7}, {300, 49.9}}, Key::F)
            << QStringList{"raised 0 49.4", "cleared 600 49.9"};
        QTest::newRow("a lost link neither clears a raised rule nor raises again")
            << "U1>253" << Script{sample(0, 254), Step{100, Step::LinkLost}, sample(9000, 254)}
            << QStringList{"raised 0 254"};
        QTest::newRow("a lost link starts the duration again")
            << "U1>253 for 5s"
            << segments(0, {{3000, 254}}) + Script{Step{3100, Step::LinkLost}} +
                   segments(9900, {{5400, 254}})
            << QStringList{"raised 15000 254"};
        QTest::newRow("samples more than 10 s apart start the duration again")
            << "U1>253 for 5s"
            << Script{sample(0, 254), sample(11000, 254), sample(15000, 254), sample(16000, 254)}
            << QStringList{"raised 16000 254"};
        QTest::newRow("an overload is above any threshold")
            << "I1>10" << Script{sample(0, kOverload, Key::I1), sample(300, 2, Key::I1)}
            << QStringList{"raised 0 OL", "cleared 300 2"};
        QTest::newRow("silent raised by the clock, cleared by data")
            << "U1 silent 30s"
            << Script{Step{29999, Step::Tick}, Step{30000, Step::Tick}, Step{31000, Step::Tick},
                      sample(32000, 230)}
            << QStringList{"raised 30000 -", "cleared 32000 230"};
        QTest::newRow("silent raised while other keys come")
            << "U1 silent 30s" << Script{sample(0, 230)} + segments(1000, {{31000, 50}}, Key::F)
            << QStringList{"raised 30100 -"};
        QTest::newRow("silent raised after a lost link, counted from the last sample")
            << "U1 silent 30s"
            << Script{sample(5000, 230), Step{6000, Step::LinkLost}, Step{34999, Step::Tick},
                      Step{35000, Step::Tick}}
            << QStringList{"raised 35000 -"};
    }
    void events()
    {
        QFETCH(QString, rule);
        QFETCH(Script, script);
        qint64 now = 0;
        Evaluator evaluator({std::get<Rule>(parseRule(rule))}, [&now] { return now; });
        QStringList seen;
        for (const Step& step : script) {
            now = step.ms;
            QList<AlarmEvent> events;
            if (step.kind == Step::LinkLost) {
                evaluator.onLinkLost();
            } else if (step.kind == Step::Tick) {
                events = evaluator.checkSilence();
            } else {
                measure::Reading reading{1, 0, step.ms, 1, {}, std::nullopt};
                reading.quantities[0] = {step.key,
                                         step.value == kOverload ? State::Overload : State::Value,
                                         false, step.value};
                events = evaluator.onReading(reading);
            }
            for (const AlarmEvent& e : events)
                seen << describe(e);
        }
        QTEST(seen, "expected");
    }
};

QTEST_GUILESS_MAIN(TestEvaluator)
#include "tst_evaluator.moc"
