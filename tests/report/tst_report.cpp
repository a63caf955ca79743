// SPDX-License-Identifier: GPL-3.0-or-later
// The survey report's numbers over periods of a small log written with the real CSV format,
// against a table worked out by hand; its PDF read back with pdftotext; the times a user gives.
// Reading the log is tst_survey's; the command line is tst_cli_e2e's.
#include "alarms/eventformat.h"
#include "datalog/csvformat.h"
#include "report/reportpdf.h"
#include "support/zone.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <ctime>

using namespace korvane;
using measure::Key;

namespace {
// 2026-12-07T10:00:00+01:00, a 10-minute boundary of the Berlin clock.
constexpr qint64 kStart = 1796634000000;

qint64 at(int seconds)
{
    return kStart + seconds * 1000LL;
}

measure::Reading reading(int seconds, quint8 kind, quint8 index,
                         std::initializer_list<std::pair<Key, double>> values)
{
    measure::Reading r;
    r.kind = kind;
    r.index = index;
    r.receivedMs = at(seconds);
    for (const auto& [key, value] : values)
        r.quantities[std::size_t(r.count++)] = {key, measure::State::Value, false, value};
    return r;
}

// U1..U3 and F in voltage frames, P with E and cost in totals frames; U1 high at 10:10 (an
// alarm), the link lost from 10:10:20 to 10:30:50, U1 low after it, and E and cost Reset then.
QByteArray surveyLog()
{
    datalog::CsvFormat csv(datalog::CsvFormat::style(datalog::Dialect::Comma, true));
    csv.setDerivedColumns({{"E", "Wh", datalog::DerivedColumn::Kind::Energy},
                           {"cost", "EUR", datalog::DerivedColumn::Kind::Cost}});
    const auto voltages = [](int s, double u1, double u2, double u3, double f) {
        return reading(s, 1, 0, {{Key::U1, u1}, {Key::U2, u2}, {Key::U3, u3}, {Key::F, f}});
    };
    const auto totals = [](int s, double p) { return reading(s, 0, 3, {{Key::P, p}}); };
    const auto rule = std::get<alarms::Rule>(alarms::parseRule(u"U1>253"));
    QByteArray log = csv.frameHeading();
    log += csv.event({at(0), "meter found on /dev/ttyUSB0"});
    log += csv.frame(voltages(0, 230, 228, 232, 50.0));
    log += csv.frame(totals(1, 1000), {100.0, 0.03});
    log += csv.frame(voltages(5, 232, 230, 234, 50.2));
    log += csv.frame(voltages(600, 260, 230, 230, 50.6));
    log += csv.frame(totals(601, 1200), {150.0, 0.045});
    log += csv.event({at(610), alarms::statusText({at(610), rule, {}, 260.0, false})});
    log += csv.event({at(620), "link lost"});
    log += csv.event({at(1850), "meter found on /dev/ttyUSB0"});
    log += csv.frame(voltages(1860, 200, 231, 229, 49.6));
    log += csv.frame(totals(1861, 900), {20.0, 0.006});
    return log;
}

QString fixed(double v)
{
    return QString::number(v, 'f', 3);
}

// "U1 4: 200.000 230.500 260.000 204.500 255.800" per quantity: count, min, mean, max, p5, p95.
QStringList statisticsRows(const report::Report& r)
{
    QStringList rows;
    for (const report::QuantityStats& s : r.statistics)
        rows << QStringLiteral("%1 %2: %3 %4 %5 %6 %7")
                    .arg(s.name)
                    .arg(s.count)
                    .arg(fixed(s.min), fixed(s.mean), fixed(s.max), fixed(s.p5), fixed(s.p95));
    return rows;
}

QString qualityText(const report::SupplyQuality& q)
{
    QStringList parts;
    for (const report::PhaseVoltageQuality& v : q.voltages)
        parts << QStringLiteral("%1 %2/%3").arg(v.name).arg(v.within).arg(v.windows);
    parts << QStringLiteral("F %1/%2").arg(q.frequencyWithin).arg(q.frequencyWindows);
    parts << QStringLiteral("unbalance %1: p95 %2 max %3")
                 .arg(q.unbalanceSamples)
                 .arg(QString::number(q.unbalanceP95, 'f', 2),
                      QString::number(q.unbalanceMax, 'f', 2));
    return parts.join(QStringLiteral(", "));
}

// "E 70.000 reset +1861" per counter.
QString countersText(const report::Report& r)
{
    QStringList parts;
    for (const report::CounterTotal& c : r.counters) {
        QString part = c.name + u' ' + fixed(c.added);
        for (qint64 t : c.resets)
            part += QStringLiteral(" reset +%1").arg((t - kStart) / 1000);
        parts << part;
    }
    return parts.join(QStringLiteral(", "));
}
} // namespace

class TstReport : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_log;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(testing::useLocalZone("Europe/Berlin"), testing::kOtherZone);
        m_log = m_dir.filePath(QStringLiteral("survey.csv"));
        QFile file(m_log);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(surveyLog()) > 0);
    }

    void numbersMatchTheHandComputedTable_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("gaps");
        QTest::addColumn<int>("gapSeconds");
        QTest::addColumn<QStringList>("statistics");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QString>("counters");
        QTest::addColumn<int>("alarms");
        // Ranks interpolate: of four sorted values, p5 lies 0.15 and p95 2.85 ranks up.
        QTest::newRow("the whole log")
            << QString() << QString() << 7 << 1 << 1230
            << QStringList{"U1 4: 200.000 230.500 260.000 204.500 255.800",
                           "U2 4: 228.000 229.750 231.000 228.300 230.850",
                           "U3 4: 229.000 231.250 234.000 229.150 233.700",
                           "P 3: 900.000 1033.333 1200.000 910.000 1180.000",
                           "F 4: 49.600 50.100 50.600 49.660 50.540",
                           "E 3: 20.000 90.000 150.000 28.000 145.000",
                           "cost 3: 0.006 0.027 0.045 0.008 0.044"}
            // 10-minute windows 10:00, 10:10, 10:30 (10:20 held nothing): U1 231.0, 260, 200.
            // 10-second means of F 50.1, 50.6, 49.6. Unbalance 0.86, 0.87, 8.33, 9.09 %.
            << "U1 1/3, U2 3/3, U3 3/3, F 2/3, unbalance 4: p95 8.98 max 9.09"
            << "E 70.000 reset +1861, cost 0.021 reset +1861" << 1;
        QTest::newRow("from 10:10, local time")
            << "2026-12-07T10:10"
            << "2026-12-07 10:40" << 4 << 1 << 1230
            << QStringList{"U1 2: 200.000 230.000 260.000 203.000 257.000",
                           "U2 2: 230.000 230.500 231.000 230.050 230.950",
                           "U3 2: 229.000 229.500 230.000 229.050 229.950",
                           "P 2: 900.000 1050.000 1200.000 915.000 1185.000",
                           "F 2: 49.600 50.100 50.600 49.650 50.550",
                           "E 2: 20.000 85.000 150.000 26.500 143.500",
                           "cost 2: 0.006 0.026 0.045 0.008 0.043"}
            << "U1 0/2, U2 2/2, U3 2/2, F 1/2, unbalance 2: p95 9.05 max 9.09"
            << "E 20.000 reset +1861, cost 0.006 reset +1861" << 1;
        QTest::newRow("the first ten minutes, with an offset")
            << "2026-12-07T09:00:00Z"
            << "2026-12-07T10:10:00.000+01:00" << 3 << 0 << 0
            << QStringList{"U1 2: 230.000 231.000 232.000 230.100 231.900",
                           "U2 2: 228.000 229.000 230.000 228.100 229.900",
                           "U3 2: 232.000 233.000 234.000 232.100 233.900",
                           "P 1: 1000.000 1000.000 1000.000 1000.000 1000.000",
                           "F 2: 50.000 50.100 50.200 50.010 50.190",
                           "E 1: 100.000 100.000 100.000 100.000 100.000",
                           "cost 1: 0.030 0.030 0.030 0.030 0.030"}
            << "U1 1/1, U2 1/1, U3 1/1, F 1/1, unbalance 2: p95 0.87 max 0.87"
            << "E 0.000, cost 0.000" << 0;
        QTest::newRow("inside the gap: its part in the period")
            << "2026-12-07T10:20"
            << "2026-12-07T11:00" << 2 << 1 << 650
            << QStringList{"U1 1: 200.000 200.000 200.000 200.000 200.000",
                           "U2 1: 231.000 231.000 231.000 231.000 231.000",
                           "U3 1: 229.000 229.000 229.000 229.000 229.000",
                           "P 1: 900.000 900.000 900.000 900.000 900.000",
                           "F 1: 49.600 49.600 49.600 49.600 49.600",
                           "E 1: 20.000 20.000 20.000 20.000 20.000",
                           "cost 1: 0.006 0.006 0.006 0.006 0.006"}
            << "U1 0/1, U2 1/1, U3 1/1, F 1/1, unbalance 1: p95 9.09 max 9.09"
            << "E 0.000, cost 0.000" << 0;
    }
    void numbersMatchTheHandComputedTable()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        survey::Survey survey({m_log});
        QVERIFY2(survey.open() && survey.readAll(), qPrintable(survey.error()));
        report::ReportOptions options;
        if (!from.isEmpty()) {
            options.fromMs = report::parseTime(from);
            options.toMs = report::parseTime(to);
            QVERIFY(options.fromMs && options.toMs);
        }
        const report::Report r = report::computeReport(survey, options);
        QCOMPARE(r.meter, QStringLiteral("/dev/ttyUSB0"));
        QTEST(int(r.frames), "frames");
        QTEST(r.gaps, "gaps");
        QTEST(int(r.gapMs / 1000), "gapSeconds");
        QTEST(statisticsRows(r), "statistics");
        QTEST(qualityText(r.quality), "quality");
        QTEST(countersText(r), "counters");
        QTEST(int(r.alarms.size()), "alarms");
    }

    // The PDF's text as pdftotext reads it: the title block and the table, as the numbers above.
    void pdfShowsTheTableAndTitle_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("title") << "Site 7: kitchen supply";
        QTest::newRow("meter") << "Meter /dev/ttyUSB0";
        QTest::newRow("frames") << "Frames 7";
        QTest::newRow("gaps") << "Gaps 1, 20 min 30 s in all";
        QTest::newRow("voltage row") << "U1 V 4 200.00 230.50 260.00 204.50 255.80";
        QTest::newRow("frequency row") << "F Hz 4 49.600 50.100 50.600 49.660 50.540";
        QTest::newRow("energy row") << "E Wh 3 20.0 90.0 150.0 28.0 145.0";
        QTest::newRow("supply quality") << "U1 1 of 3 10-minute means within 207.0–253.0 V";
        QTest::newRow("energy with its Reset")
            << "E 70.00 Wh in the period; Reset once (2026-12-07 10:31:01)";
        QTest::newRow("alarm") << "2026-12-07 10:10:10 alarm raised: U1>253 (260)";
    }
    void pdfShowsTheTableAndTitle()
    {
#ifdef Q_OS_WIN
        QSKIP("read back with pdftotext, which runs on Linux; on Windows the installed CLI's "
              "report is checked by scripts/windows/check-package.sh");
#endif
        QFETCH(QString, line);
        static QString text = [this] {
            survey::Survey survey({m_log});
            if (!survey.open() || !survey.readAll())
                return survey.error();
            report::ReportOptions options;
            options.title = QStringLiteral("Site 7: kitchen supply");
            const QString pdf = m_dir.filePath(QStringLiteral("report.pdf"));
            const QString error =
                report::writePdf(pdf, report::computeReport(survey, options), survey.store());
            if (!error.isEmpty())
                return error;
            QProcess pdftotext;
            pdftotext.start(QStringLiteral(PDFTOTEXT), {"-layout", pdf, "-"});
            if (!pdftotext.waitForFinished(30000))
                return QStringLiteral("pdftotext did not finish");
            // One space between words, as the eye reads the columns.
            return QString::fromUtf8(pdftotext.readAllStandardOutput())
                .replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
        }();
        const QStringList lines = text.split(u'\n');
        QVERIFY2(std::any_of(lines.begin(), lines.end(),
                             [&](const QString& l) {
                                 const QString shown = l.trimmed();
                                 return shown == line || shown.startsWith(line + u' ');
                             }),
                 qPrintable(text));
    }

    void timesAsUsersGiveThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ms"); // 0: no time
        QTest::newRow("local") << "2026-12-07T10:00" << kStart;
        QTest::newRow("a space for the T, seconds") << "2026-12-07 10:00:05" << at(5);
        QTest::newRow("tenths") << "2026-12-07T10:00:05.5" << at(5) + 500;
        QTest::newRow("a date: its local midnight") << "2026-12-07" << kStart - 10 * 3600'000;
        QTest::newRow("UTC") << "2026-12-07T09:00Z" << kStart;
        QTest::newRow("an offset") << "2026-12-07T04:00-05:00" << kStart;
        QTest::newRow("skipped by summer time") << "2026-03-29T02:30" << qint64(0);
        QTest::newRow("no such day") << "2026-02-30T10:00" << qint64(0);
        QTest::newRow("words") << "yesterday" << qint64(0);
        QTest::newRow("trailing text") << "2026-12-07T10:00 please" << qint64(0);
    }
    void timesAsUsersGiveThem()
    {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        QCOMPARE(report::parseTime(text).value_or(0), ms);
    }

    void csvHoldsTheTable()
    {
        survey::Survey survey({m_log});
        QVERIFY(survey.open() && survey.readAll());
        const QList<QByteArray> lines =
            report::statisticsCsv(report::computeReport(survey, {})).split('\n');
        QCOMPARE(lines.value(0), "quantity,unit,count,min,mean,max,p5,p95\r");
        QVERIFY(lines.contains("U1,V,4,200,230.5,260,204.5,255.8\r"));
        QVERIFY(lines.contains("E,Wh,3,20,90,150,28,145\r"));
    }
};

QTEST_MAIN(TstReport)
#include "tst_report.moc"
