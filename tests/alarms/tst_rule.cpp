// SPDX-License-Identifier: GPL-3.0-or-later
// Alarm rules read from their text: the normalised text, the topic-safe id, and what is wrong.
#include "alarms/rule.h"

#include <QTest>

using namespace korvane::alarms;

Q_DECLARE_METATYPE(ParseError::Problem)

class TestRule : public QObject
{
    Q_OBJECT

private slots:
    void readsRule_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("id");
        QTest::addColumn<qint64>("durationMs");
        QTest::newRow("duration and hysteresis") << "U1>253 for 5s clear 251"
                                                 << "U1>253 for 5s clear 251"
                                                 << "u1_gt_253_for_5s_clear_251" << qint64(5000);
        QTest::newRow("plain below") << "F<49.5"
                                     << "F<49.5"
                                     << "f_lt_49.5" << qint64(0);
        QTest::newRow("silent") << "U1 silent 30s"
                                << "U1 silent 30s"
                                << "u1_silent_30s" << qint64(30000);
        QTest::newRow("spaces, case and zeros normalised")
            << "  u1 > 253.0 \tFOR 5 s  clear 251 "
            << "U1>253 for 5s clear 251"
            << "u1_gt_253_for_5s_clear_251" << qint64(5000);
        QTest::newRow("negative power factor") << "pf<-0.5 clear -0.3"
                                               << "PF<-0.5 clear -0.3"
                                               << "pf_lt_-0.5_clear_-0.3" << qint64(0);
        QTest::newRow("exponent and fractional seconds") << "I1>1e1 for 1.5s"
                                                         << "I1>10 for 1.5s"
                                                         << "i1_gt_10_for_1.5s" << qint64(1500);
        QTest::newRow("mixed-case key in minutes") << "ANGU1 silent 2m"
                                                   << "angU1 silent 2m"
                                                   << "angu1_silent_2m" << qint64(120000);
    }
    void readsRule()
    {
        QFETCH(QString, input);
        const auto parsed = parseRule(input);
        if (const auto* error = std::get_if<ParseError>(&parsed))
            QFAIL(qPrintable(errorText(*error)));
        const Rule* rule = &std::get<Rule>(parsed);
        QTEST(rule->text, "text");
        QTEST(rule->id, "id");
        QTEST(qint64(rule->duration.count()), "durationMs");
        // The normalised text reads back as the same rule.
        const auto again = parseRule(rule->text);
        QVERIFY(std::holds_alternative<Rule>(again));
        QCOMPARE(std::get<Rule>(again).id, rule->id);
    }

    void refusesRule_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<ParseError::Problem>("problem");
        QTest::addColumn<QString>("token");
        QTest::newRow("empty") << "  " << ParseError::Empty << "";
        QTest::newRow("unknown key") << "U4>253" << ParseError::UnknownKey << "U4";
        QTest::newRow("no condition") << "U1 253" << ParseError::NoCondition << "253";
        QTest::newRow("at least") << "U1>=253" << ParseError::BadComparison << ">=";
        QTest::newRow("no threshold") << "U1>" << ParseError::MissingValue << ">";
        QTest::newRow("decimal comma") << "F<49,5" << ParseError::BadNumber << "49,5";
        QTest::newRow("for with nothing") << "U1>253 for" << ParseError::MissingValue << "for";
        QTest::newRow("duration without unit")
            << "U1>253 for 5 clear 251" << ParseError::BadDuration << "5";
        QTest::newRow("silent for no time") << "U1 silent 0s" << ParseError::BadDuration << "0s";
        QTest::newRow("clear above a >")
            << "U1>253 clear 255" << ParseError::ClearWrongSide << "255";
        QTest::newRow("clear below a <") << "F<49.5 clear 49" << ParseError::ClearWrongSide << "49";
        QTest::newRow("for twice") << "U1>253 for 5s for 6s" << ParseError::Unexpected << "for";
        QTest::newRow("clear on silent")
            << "U1 silent 30s clear 5" << ParseError::Unexpected << "clear";
    }
    void refusesRule()
    {
        QFETCH(QString, input);
        QFETCH(QString, token);
        const auto parsed = parseRule(input);
        if (const auto* rule = std::get_if<Rule>(&parsed))
            QFAIL(qPrintable(input + " was read as " + rule->text));
        const ParseError* error = &std::get<ParseError>(parsed);
        QTEST(error->problem, "problem");
        QCOMPARE(error->token, token);
        // The words name the part at fault.
        QVERIFY2(errorText(*error).contains(token), qPrintable(errorText(*error)));
    }
};

QTEST_GUILESS_MAIN(TestRule)
#include "tst_rule.moc"
