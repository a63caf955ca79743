// SPDX-License-Identifier: GPL-3.0-or-later
// korvane-cli against korvane-meter-sim over a real pseudo-terminal: connecting, live frames of
// every type, downloads, silence and recovery, chunked answers, unplugging, logs that fail,
// signals, energy, cost and alarms in the outputs, and usage errors. The link's logic in detail
// is in tst_link; the integration, tariffs and rules in tst_integrator, tst_tariff, tst_evaluator.
// The report command over a saved log; the report's numbers and PDF in detail are tst_report's.
#include "datalog/csvformat.h"
#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "support/csvreader.h"
#include "support/lineprotocol.h"
#include "support/process.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <QTemporaryDir>
#include <QTest>

#include <QRegularExpression>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

using korvane::testing::MeterProcess;
using korvane::testing::ProcessResult;
using korvane::testing::runProgram;

namespace {
const QString kCli = QStringLiteral(KORVANE_CLI);
const QString kMeter = QStringLiteral(KORVANE_METER_SIM);

// Which frame type a printed live line shows, told by its captions.
int frameTypeOf(const QStringList& fields)
{
    if (fields.value(8) == QLatin1String("F: "))
        return 1;
    if (fields.value(8) == QLatin1String("phase:"))
        return 2;
    if (fields.value(10) == QLatin1String("Time: "))
        return 3;
    return 0;
}

// A tariff without time-of-use windows: 0.50 per kWh and 1.00 a day since long ago.
const QByteArray kTariff = "currency = EUR\n[from 2020-01-01]\nstanding = 1.00\nprice = 0.50\n";

// The JSON Lines objects of a run that are frames, and those that are alarms.
QList<QJsonObject> jsonObjects(const QByteArray& out, const char* having)
{
    QList<QJsonObject> found;
    for (const QByteArray& line : out.split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object.contains(QLatin1String(having)))
            found << object;
    }
    return found;
}

// The last value of a derived quantity in a run's output, whatever its format; NaN for none.
double lastDerived(const QString& format, const QByteArray& out, const QString& key)
{
    double last = std::nan("");
    if (format == QLatin1String("jsonl")) {
        for (const QJsonObject& frame : jsonObjects(out, "values")) {
            const QJsonObject values = frame.value("values").toObject();
            if (values.contains(key))
                last = values.value(key).toDouble();
        }
    } else if (format == QLatin1String("influx")) {
        for (const QByteArray& line : out.split('\n')) {
            const auto point = korvane::testing::parseLineProtocol(QString::fromUtf8(line + '\n'));
            if (point && point->fields.contains(key))
                last = point->fields.value(key).toDouble();
        }
    } else if (format == QLatin1String("csv")) {
        QByteArray text = out;
        if (text.startsWith("\xEF\xBB\xBF"))
            text.remove(0, 3);
        const auto rows = korvane::testing::readCsvStrictly(QString::fromUtf8(text), u',');
        if (!rows || rows->isEmpty())
            return last;
        const qsizetype column =
            std::max(rows->first().indexOf(key + " [Wh]"), rows->first().indexOf(key + " [EUR]"));
        for (qsizetype i = 1; column >= 0 && i < rows->size(); ++i) {
            if (!rows->at(i).value(column).isEmpty())
                last = rows->at(i).value(column).toDouble();
        }
    } else { // tsv: "E: " "1234.5Wh" or "cost: " "1.23 EUR" pairs after the live view's six
        for (const QString& line : QString::fromUtf8(out).split(u'\n')) {
            const QStringList fields = line.split(u'\t');
            const qsizetype at = fields.indexOf(key + ": ");
            if (at >= 12 && at + 1 < fields.size())
                last = QString(fields[at + 1]).remove(QRegularExpression("[^0-9.]")).toDouble();
        }
    }
    return last;
}
} // namespace

class TstCliE2e : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    // Starts a meter behind a stable link path, so an unplugged meter comes back at the same name.
    QString startMeter(MeterProcess& meter, QStringList args)
    {
        const QString link = m_dir.filePath(QStringLiteral("meter-%1").arg(++m_meters));
        args << QStringLiteral("--link") << link;
        if (!meter.start(kMeter, args))
            return QString();
        return link;
    }
    int m_meters = 0;
    int m_logs = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Energy totals go to a data folder of the test's own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    }

    void liveFramesOfAllFourTypes()
    {
        MeterProcess meter;
        const QString port = startMeter(meter, {QStringLiteral("--no-pacing")});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run =
            runProgram(kCli, {"--ports", port, "live", "--frames", "8"}, 30000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outLines().size(), 8);
        QSet<int> types;
        for (const QString& line : run.outLines()) {
            const QStringList fields = line.split(u'\t');
            QCOMPARE(fields.size(), 12);
            types << frameTypeOf(fields);
        }
        QCOMPARE(types, (QSet<int>{0, 1, 2, 3}));
        QVERIFY(run.errText().contains(QLatin1String("COM1 Open")));
        QVERIFY(run.errText().contains(QLatin1String("Connected")));
    }

    void downloadsEveryStoredRecord_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("paced");
        QTest::newRow("3 records") << 3 << false;
        QTest::newRow("500 records at 9600 baud") << 500 << true;
    }
    void downloadsEveryStoredRecord()
    {
        QFETCH(int, records);
        QFETCH(bool, paced);
        MeterProcess meter;
        QStringList args{"--records", QString::number(records)};
        if (!paced)
            args << "--no-pacing";
        const QString port = startMeter(meter, args);
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run = runProgram(kCli, {"--ports", port, "records"}, 60000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.outLines();
        QCOMPARE(lines.size(), 2 * records);
        QVERIFY(lines.first().startsWith(QLatin1String("NO:1\t")));
        QVERIFY(lines.at(2 * records - 2).startsWith(QStringLiteral("NO:%1\t").arg(records)));
        QVERIFY(!run.errText().contains(QLatin1String("unconnected")));
    }

    // One row per record, as numbers: a strict CSV reader or a JSON parser takes every line.
    void recordsForAnalysis_data()
    {
        QTest::addColumn<QStringList>("format");
        QTest::addColumn<QChar>("separator"); // none for JSON Lines
        QTest::newRow("csv") << QStringList{"--format", "csv"} << QChar(u',');
        QTest::newRow("csv with semicolons")
            << QStringList{"--format", "csv", "--dialect", "semicolon"} << QChar(u';');
        QTest::newRow("jsonl") << QStringList{"--format", "jsonl"} << QChar();
    }
    void recordsForAnalysis()
    {
        QFETCH(QStringList, format);
        QFETCH(QChar, separator);
        MeterProcess meter;
        const QString port = startMeter(meter, {"--no-pacing", "--records", "9"});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run =
            runProgram(kCli, QStringList{"--ports", port, "records"} + format, 30000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        QStringList numbers;
        if (!separator.isNull()) {
            const auto rows =
                korvane::testing::readCsvStrictly(QString::fromUtf8(run.out), separator);
            QVERIFY(rows);
            QCOMPARE(rows->first().first(), QStringLiteral("record"));
            for (qsizetype i = 1; i < rows->size(); ++i)
                numbers << rows->at(i).first();
        } else {
            for (const QByteArray& line : run.out.trimmed().split('\n')) {
                const QJsonObject record = QJsonDocument::fromJson(line).object();
                QVERIFY2(!record.value("values").toObject().isEmpty(), line.constData());
                numbers << QString::number(record.value("record").toInt());
            }
        }
        QCOMPARE(numbers, (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    }

    void savesTheSameBytesAsTheTableItPrints()
    {
        MeterProcess meter;
        const QString port = startMeter(meter, {"--no-pacing", "--records", "7"});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult printed = runProgram(kCli, {"--ports", port, "records"}, 30000);
        QCOMPARE(printed.exitCode, 0);

        const QString text = m_dir.filePath("table.txt");
        const QString csv = m_dir.filePath("table.csv");
        const QString xlsx = m_dir.filePath("table.xlsx");
        const ProcessResult saved = runProgram(
            kCli, {"--ports", port, "records", "--text", text, "--csv", csv, "--xlsx", xlsx},
            30000);
        QVERIFY2(saved.finished, qPrintable(saved.errText()));
        QCOMPARE(saved.exitCode, 0);
        QVERIFY(saved.out.isEmpty());

        korvane::records::RecordTable table;
        const QStringList lines = printed.outLines();
        table.setRowCount(int(lines.size()));
        for (int r = 0; r < lines.size(); ++r) {
            const QStringList cells = lines[r].split(u'\t');
            for (int c = 0; c < cells.size(); ++c)
                table.setCell(r, c, cells[c]);
        }
        QFile textFile(text), csvFile(csv), xlsxFile(xlsx);
        QVERIFY(textFile.open(QIODevice::ReadOnly) && csvFile.open(QIODevice::ReadOnly) &&
                xlsxFile.open(QIODevice::ReadOnly));
        QCOMPARE(textFile.readAll(), korvane::exporting::recordTableText(table));
        QCOMPARE(csvFile.readAll(), korvane::exporting::recordTableCsv(table));
        QVERIFY(xlsxFile.readAll().startsWith("PK"));
    }

    void unwritableSaveExitsFiveNamingTheFile()
    {
        MeterProcess meter;
        const QString port = startMeter(meter, {"--no-pacing", "--records", "2"});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const QString blocker = m_dir.filePath("blocker");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString path = blocker + "/table.txt";
        const ProcessResult run =
            runProgram(kCli, {"--ports", port, "records", "--text", path}, 30000);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 5);
        QVERIFY2(run.errText().contains(path), qPrintable(run.errText()));
    }

    void silentMeterIsFoundAgain()
    {
        MeterProcess meter;
        const QString port =
            startMeter(meter, {"--no-pacing", "--silent-after", "4", "--silent-for", "3"});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run =
            runProgram(kCli, {"--ports", port, "live", "--frames", "5"}, 40000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        const QString err = run.errText();
        const qsizetype lost = err.indexOf(QLatin1String("unconnected"));
        QVERIFY2(lost > 0, qPrintable(err));
        QVERIFY2(err.indexOf(QLatin1String("Connected"), lost) > lost, qPrintable(err));
    }

    void answersInSmallChunksAreCollected()
    {
        MeterProcess meter;
        const QString port = startMeter(meter, {"--no-pacing", "--chunk", "3", "--chunk-gap", "5"});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run =
            runProgram(kCli, {"--ports", port, "live", "--frames", "4"}, 30000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        for (const QString& line : run.outLines())
            QCOMPARE(line.split(u'\t').size(), 12);
    }

    void unpluggedDuringADownloadEndsIncomplete()
    {
        MeterProcess meter;
        const QString port =
            startMeter(meter, {"--no-pacing", "--records", "50", "--unplug-mid-dump", "200"});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run = runProgram(kCli, {"--ports", port, "records"}, 30000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.errText().contains(QLatin1String("incomplete")), qPrintable(run.errText()));
        QVERIFY(run.outLines().size() % 2 == 0);
        QVERIFY(run.outLines().size() <= 20);
    }

    void faultyMetersNeverCrashOrHang_data()
    {
        QTest::addColumn<QStringList>("meterArgs");
        QTest::addColumn<QStringList>("cliArgs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("lines"); // -1: any even number
        QTest::addColumn<QString>("errMentions");
        QTest::newRow("garbage around every answer is no meter")
            << QStringList{"--no-pacing", "--garbage"} << QStringList{"live", "--frames", "6"} << 3
            << 0 << "no meter answered";
        QTest::newRow("answers byte by byte with gaps")
            << QStringList{"--no-pacing", "--chunk", "1", "--chunk-gap", "2"}
            << QStringList{"live", "--frames", "4"} << 0 << 4 << "Connected";
        QTest::newRow("wrong handshake never connects")
            << QStringList{"--no-pacing", "--wrong-handshake"} << QStringList{"live"} << 3 << 0
            << "no meter answered";
        QTest::newRow("malformed count") << QStringList{"--no-pacing", "--bad-count"}
                                         << QStringList{"records"} << 4 << 2 << "malformed";
        QTest::newRow("count of zero gives the empty table")
            << QStringList{"--no-pacing", "--zero-count"} << QStringList{"records"} << 0 << 2
            << "Connected";
        QTest::newRow("meter restarts mid-dump")
            << QStringList{"--no-pacing", "--records", "50", "--restart-mid-dump", "510"}
            << QStringList{"records"} << 4 << 50 << "25 of 50";
        QTest::newRow("unplugged mid-dump")
            << QStringList{"--no-pacing", "--records", "50", "--unplug-mid-dump", "300"}
            << QStringList{"records"} << 4 << -1 << "incomplete";
        QTest::newRow("unplugged while polling, back a second later")
            << QStringList{"--no-pacing", "--unplug-after", "4", "--replug-after", "1"}
            << QStringList{"live", "--frames", "6"} << 0 << 6 << "unconnected";
    }
    void faultyMetersNeverCrashOrHang()
    {
        QFETCH(QStringList, meterArgs);
        QFETCH(QStringList, cliArgs);
        QFETCH(int, exitCode);
        QFETCH(int, lines);
        QFETCH(QString, errMentions);
        MeterProcess meter;
        const QString port = startMeter(meter, meterArgs);
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run = runProgram(kCli, QStringList{"--ports", port} + cliArgs, 60000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, exitCode);
        if (lines >= 0)
            QCOMPARE(run.outLines().size(), lines);
        QVERIFY(run.outLines().size() % 2 == 0 || cliArgs.first() == QLatin1String("live"));
        QVERIFY2(run.errText().contains(errMentions), qPrintable(run.errText()));
        for (const QString& line : run.outLines())
            QCOMPARE(line.split(u'\t').size(), cliArgs.first() == QLatin1String("live") ? 12 : 7);
    }

    void largestCountDownloadsUnpaced()
    {
        MeterProcess meter;
        const QString port = startMeter(meter, {"--no-pacing", "--records", "65535"});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run = runProgram(kCli, {"--ports", port, "records"}, 120000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.outLines();
        QCOMPARE(lines.size(), 131070);
        QVERIFY(lines.at(131068).startsWith(QLatin1String("NO:65535\t")));
    }

    void machineFormatsParse_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("csv") << "csv";
        QTest::newRow("jsonl") << "jsonl";
        QTest::newRow("influx") << "influx";
    }
    void machineFormatsParse()
    {
        QFETCH(QString, format);
        MeterProcess meter;
        const QString port = startMeter(meter, {QStringLiteral("--no-pacing")});
        QVERIFY(!port.isEmpty());
        const ProcessResult run =
            runProgram(kCli, {"--ports", port, "live", "--frames", "8", "--format", format}, 30000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        QSet<int> kinds;
        if (format == QLatin1String("csv")) {
            const auto rows = korvane::testing::readCsvStrictly(QString::fromUtf8(run.out), u',');
            QVERIFY(rows);
            QCOMPARE(rows->first().first(), QStringLiteral("time"));
            // The meter found, then eight frames.
            QCOMPARE(rows->size(), 1 + 1 + 8);
            QVERIFY(rows->at(1).last().startsWith(QLatin1String("meter found on ")));
            for (qsizetype i = 2; i < rows->size(); ++i)
                QVERIFY(QDateTime::fromString(rows->at(i).first(), Qt::ISODateWithMs).isValid());
            return;
        }
        const QList<QByteArray> lines = run.out.split('\n');
        QCOMPARE(lines.size(), 1 + 8 + 1); // the event, the frames, nothing after the last end
        const QString found = QStringLiteral("meter found on ") + port;
        if (format == QLatin1String("jsonl")) {
            QCOMPARE(QJsonDocument::fromJson(lines[0]).object().value("event").toString(), found);
        } else {
            const auto event =
                korvane::testing::parseLineProtocol(QString::fromUtf8(lines[0] + '\n'));
            QVERIFY2(event, lines[0].constData());
            QCOMPARE(event->fields.value("event"), u'"' + found + u'"');
        }
        for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
            if (format == QLatin1String("jsonl")) {
                const QJsonObject frame = QJsonDocument::fromJson(lines[i]).object();
                QVERIFY(!frame.value("values").toObject().isEmpty());
                kinds << frame.value("kind").toInt(-1);
            } else {
                const auto line =
                    korvane::testing::parseLineProtocol(QString::fromUtf8(lines[i] + '\n'));
                QVERIFY2(line, lines[i].constData());
                QCOMPARE(line->tags.value("meter"), port);
                kinds << line->tags.value("kind").toInt();
            }
        }
        QCOMPARE(kinds, (QSet<int>{0, 1, 2, 3}));
    }

    // Killed without warning, the logger leaves a log in which every line but the last is whole.
    void aKilledLoggerLeavesWholeLines()
    {
        MeterProcess meter;
        const QString port = startMeter(meter, {QStringLiteral("--no-pacing")});
        QVERIFY(!port.isEmpty());
        const QString log = m_dir.filePath(QStringLiteral("killed.csv"));
        QProcess cli;
        cli.start(kCli, {"--ports", port, "live", "--log", log});
        QVERIFY(cli.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(log).size() > 1500, 20000);
        cli.kill();
        QVERIFY(cli.waitForFinished(5000));
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        bytes.truncate(bytes.lastIndexOf("\r\n") + 2); // a torn last line is skipped
        const auto rows = korvane::testing::readCsvStrictly(QString::fromUtf8(bytes.mid(3)), u',');
        QVERIFY(rows);
        QVERIFY(rows->size() > 5);
        for (qsizetype i = 1; i < rows->size(); ++i)
            QVERIFY(QDateTime::fromString(rows->at(i).first(), Qt::ISODateWithMs).isValid());
    }

    // A signal ends the run between two frames: the last interval written as partial, and the
    // log whole; exit 0 unless the log failed before. SIGHUP ignored at start (nohup) stays
    // ignored. A reader that goes away (| head) ends the run like a failed write, exit 5.
    void interruptedRunEndsCleanly_data()
    {
        QTest::addColumn<int>("signal"); // 0: none, the run ends by itself
        QTest::addColumn<bool>("nohup");
        QTest::addColumn<int>("logLimit");  // bytes any file may grow to; 0: no limit
        QTest::addColumn<int>("headLines"); // 0: standard output read to its end
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("errMentions");
        QTest::newRow("SIGINT") << SIGINT << false << 0 << 0 << 0 << "Connected";
        QTest::newRow("SIGTERM") << SIGTERM << false << 0 << 0 << 0 << "Connected";
        QTest::newRow("SIGHUP") << SIGHUP << false << 0 << 0 << 0 << "Connected";
        QTest::newRow("SIGHUP under nohup goes unnoticed, SIGTERM ends it")
            << SIGHUP << true << 0 << 0 << 0 << "Connected";
        QTest::newRow("SIGTERM after the log hit a file size limit")
            << SIGTERM << false << 3000 << 0 << 5 << QString::fromLocal8Bit(std::strerror(EFBIG));
        QTest::newRow("standard output closed by head -3")
            << 0 << false << 0 << 3 << 5
            << "standard output failed: " + QString::fromLocal8Bit(std::strerror(EPIPE));
    }
    void interruptedRunEndsCleanly()
    {
        QFETCH(int, signal);
        QFETCH(bool, nohup);
        QFETCH(int, logLimit);
        QFETCH(int, headLines);
        QFETCH(int, exitCode);
        QFETCH(QString, errMentions);
        MeterProcess meter;
        const QString port = startMeter(meter, {QStringLiteral("--no-pacing")});
        QVERIFY(!port.isEmpty());
        const QString log = m_dir.filePath(QStringLiteral("interrupted-%1.csv").arg(++m_logs));
        QProcess cli;
        // What a shell would hand down: SIGPIPE as the default, SIGHUP ignored under nohup.
        cli.setChildProcessModifier([nohup, logLimit] {
            ::signal(SIGPIPE, SIG_DFL);
            ::signal(SIGHUP, nohup ? SIG_IGN : SIG_DFL);
            if (logLimit > 0) {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(logLimit), rlim_t(logLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
        });
        QProcess head;
        if (headLines > 0) {
            cli.setStandardOutputProcess(&head);
            head.start(QStringLiteral("head"), {"-n", QString::number(headLines)});
        }
        QStringList args{"--ports", port, "live",      "--format", "jsonl",
                         "--log",   log,  "--dialect", "semicolon"};
        if (headLines == 0)
            args << "--interval"
                 << "15m";
        cli.start(kCli, args);
        QVERIFY(cli.waitForStarted(5000));
        QByteArray err;
        const auto errSoFar = [&cli, &err] { return err += cli.readAllStandardError(); };
        if (logLimit > 0)
            QTRY_VERIFY_WITH_TIMEOUT(errSoFar().contains("logging stopped"), 20000);
        else if (signal != 0)
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(log).size() > 1000, 20000);
        if (signal != 0)
            ::kill(pid_t(cli.processId()), signal);
        if (nohup) {
            const qint64 sizeThen = QFileInfo(log).size();
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(log).size() > sizeThen + 500, 20000);
            ::kill(pid_t(cli.processId()), SIGTERM);
        }
        QVERIFY(cli.waitForFinished(20000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), exitCode);
        QVERIFY2(errSoFar().contains(errMentions.toUtf8()), err.constData());
        if (headLines > 0) {
            QVERIFY(head.waitForFinished(5000));
            QCOMPARE(head.readAllStandardOutput().count('\n'), headLines);
        } else {
            const QList<QByteArray> lines = cli.readAllStandardOutput().split('\n');
            QVERIFY(lines.size() >= 2);
            const QJsonObject last = QJsonDocument::fromJson(lines[lines.size() - 2]).object();
            QCOMPARE(last.value("partial").toBool(false), true);
            QVERIFY(last.value("stats").toObject().value("U1").toObject().value("count").toInt() >
                    0);
        }
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.endsWith("\r\n"));
        QVERIFY(korvane::testing::readCsvStrictly(QString::fromUtf8(bytes.mid(3)), u';'));
    }

    // A log refused at start ends the run before it begins, and leaves no file behind: nothing
    // renamed around the name ("-2"), no empty file that would push the next run aside.
    void aLogThatCannotBeCreatedExitsFive_data()
    {
        // In a folder of its own with a folder "adir", a FIFO and "null", a link to /dev/null
        // (so that a failure as root leaves nothing in /dev).
        QTest::addColumn<QString>("log");
        QTest::addColumn<int>("logLimit");
        QTest::addColumn<QString>("errMentions");
        QTest::newRow("no such folder") << "no-such-folder/survey.csv" << 0 << "could not create";
        QTest::newRow("a folder") << "adir" << 0 << "adir is a folder";
        QTest::newRow("a folder, with a slash") << "adir/" << 0 << "adir/ names a folder";
        QTest::newRow("a device") << "null" << 0 << "null is a device";
        QTest::newRow("a FIFO") << "fifo" << 0 << "fifo is a FIFO";
        QTest::newRow("a file size limit below the heading")
            << "survey.csv" << 100 << QString::fromLocal8Bit(std::strerror(EFBIG));
    }
    void aLogThatCannotBeCreatedExitsFive()
    {
        QFETCH(QString, log);
        QFETCH(int, logLimit);
        QFETCH(QString, errMentions);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("adir"));
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600) == 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath("null")));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System);
        QProcess cli;
        cli.setWorkingDirectory(dir.path());
        cli.setChildProcessModifier([logLimit] {
            if (logLimit > 0) {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(logLimit), rlim_t(logLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
        });
        cli.start(kCli, {"--ports", "/dev/null", "live", "--log", log});
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 5);
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        QVERIFY2(err.contains(errMentions), qPrintable(err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System), before);
        QCOMPARE(QDir(dir.filePath("adir")).entryList(QDir::AllEntries | QDir::System),
                 QStringList({".", ".."}));
    }

    // Energy and cost go with the frames that carry their powers, in every format and the log;
    // E is the integral of the P the same output shows, and the cost follows from it.
    void energyAndCostInEveryFormat_data()
    {
        QTest::addColumn<QString>("format"); // "log": the --log file, the stdout left as TSV
        QTest::newRow("tsv") << "tsv";
        QTest::newRow("csv") << "csv";
        QTest::newRow("jsonl") << "jsonl";
        QTest::newRow("influx") << "influx";
        QTest::newRow("log") << "log";
    }
    void energyAndCostInEveryFormat()
    {
        QFETCH(QString, format);
        MeterProcess meter;
        const QString port = startMeter(meter, {QStringLiteral("--no-pacing")});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const QString tariff = m_dir.filePath(QStringLiteral("tariff.ini"));
        QFile file(tariff);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kTariff) == kTariff.size());
        file.close();
        QStringList args{"--ports", port, "live", "--frames", "16", "--tariff", tariff};
        const QString log = m_dir.filePath(QStringLiteral("energy-%1.csv").arg(++m_logs));
        args << (format == QLatin1String("log") ? QStringList{"--log", log}
                                                : QStringList{"--format", format});
        const ProcessResult run = runProgram(kCli, args, 30000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        QByteArray out = run.out;
        if (format == QLatin1String("log")) {
            QFile written(log);
            QVERIFY(written.open(QIODevice::ReadOnly));
            out = written.readAll();
            format = QStringLiteral("csv");
        }
        for (const QString key : {"E1", "E2", "E3", "E"}) {
            const double wh = lastDerived(format, out, key);
            QVERIFY2(wh >= 0, qPrintable(key + QString::fromUtf8(": no value in\n" + out)));
        }
        const double e = lastDerived(format, out, QStringLiteral("E"));
        const double cost = lastDerived(format, out, QStringLiteral("cost"));
        // Sixteen frames at two a second hold two or three totals frames, 3.5 s apart, at
        // 2.9 to 3.4 kW; TSV shows a tenth of a Wh and cents.
        QVERIFY2(e >= 2.9 * 3.4 / 3.6 - 0.1 && e <= 3.4 * 7.1 / 3.6 + 0.1,
                 qPrintable(QString::number(e)));
        QVERIFY2(std::abs(cost - (1.00 + e / 1000 * 0.50)) < 0.006,
                 qPrintable(QString::number(cost)));
    }

    // The totals are kept per meter between runs; --energy-reset starts them from zero.
    void energyTotalsResumeOrReset_data()
    {
        QTest::addColumn<QString>("second"); // the option of the second run
        QTest::addColumn<bool>("torn");      // the totals file torn between the runs
        QTest::addColumn<bool>("resumed");
        QTest::addColumn<QString>("errMentions");
        QTest::newRow("resumed by --energy") << "--energy" << false << true << "Connected";
        QTest::newRow("from zero by --energy-reset")
            << "--energy-reset" << false << false << "Connected";
        QTest::newRow("a torn totals file starts from zero and says so")
            << "--energy" << true << false << "energy totals: ";
    }
    void energyTotalsResumeOrReset()
    {
        QFETCH(QString, second);
        QFETCH(bool, torn);
        QFETCH(bool, resumed);
        QFETCH(QString, errMentions);
        MeterProcess meter;
        const QString port = startMeter(meter, {QStringLiteral("--no-pacing")});
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const auto firstE1 = [](const QByteArray& out) {
            for (const QJsonObject& frame : jsonObjects(out, "values")) {
                if (frame.value("values").toObject().contains("E1"))
                    return frame.value("values").toObject().value("E1").toDouble();
            }
            return std::nan("");
        };
        const QStringList args{"--ports", port, "live", "--format", "jsonl", "--frames", "12"};
        const ProcessResult first = runProgram(kCli, args + QStringList{"--energy-reset"}, 30000);
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(firstE1(first.out), 0.0);
        const double counted = lastDerived("jsonl", first.out, "E1");
        QVERIFY2(counted > 0, first.out.constData());
        if (torn) {
            const QDir data(m_dir.filePath(QStringLiteral("data/Korvane/korvane-cli")));
            const QStringList files = data.entryList({"energy-*" + port.section(u'/', -1) + "*"});
            QCOMPARE(files.size(), 1);
            QFile file(data.filePath(files.first()));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.resize(file.size() / 2));
        }
        const ProcessResult again = runProgram(kCli, args + QStringList{second}, 30000);
        QCOMPARE(again.exitCode, 0);
        QVERIFY2(again.errText().contains(errMentions), qPrintable(again.errText()));
        // The first sample of a run adds nothing: it shows what the run began with.
        QCOMPARE(firstE1(again.out), resumed ? counted : 0.0);
    }

    // A silence longer than 10 s adds no energy and is written where the link's gap marks are.
    void energyGapsAreMarked_data()
    {
        QTest::addColumn<QStringList>("meterArgs");
        QTest::addColumn<QStringList>("gapsOf"); // the energies a gap row names
        QTest::newRow("meter silent for 12 s")
            << QStringList{"--no-pacing", "--silent-after", "8", "--silent-for", "12"}
            << QStringList{"E1", "E2", "E3", "E"};
        QTest::newRow("meter that keeps answering") << QStringList{"--no-pacing"} << QStringList{};
    }
    void energyGapsAreMarked()
    {
        QFETCH(QStringList, meterArgs);
        QFETCH(QStringList, gapsOf);
        MeterProcess meter;
        const QString port = startMeter(meter, meterArgs);
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const ProcessResult run = runProgram(
            kCli, {"--ports", port, "live", "--energy", "--format", "csv", "--frames", "24"},
            90000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        const auto rows = korvane::testing::readCsvStrictly(QString::fromUtf8(run.out), u',');
        QVERIFY(rows);
        const qsizetype e = rows->first().indexOf("E [Wh]");
        QVERIFY(e > 0);
        QStringList gaps;
        double before = 0;
        bool afterGap = false;
        for (const QStringList& row : *rows) {
            if (row.last().startsWith(QLatin1String("energy gap: "))) {
                gaps << row.last().section(u' ', 2, 2);
                afterGap = gaps.last() == QLatin1String("E");
            } else if (!row.value(e).isEmpty() && row.value(e) != QLatin1String("E [Wh]")) {
                const double wh = row.value(e).toDouble();
                QVERIFY2(wh >= before, qPrintable(row.join(u',')));
                // The sample that ends the gap adds nothing.
                if (afterGap)
                    QCOMPARE(wh, before);
                afterGap = false;
                before = wh;
            }
        }
        gaps.sort();
        QStringList expected = gapsOf;
        expected.sort();
        QCOMPARE(gaps, expected);
    }

    // Each alarm event is written in the output's own format, in the log too, and said on stderr.
    void alarmsReachEveryOutput_data()
    {
        QTest::addColumn<QStringList>("meterArgs");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QStringList>("states"); // in the order written
        QTest::newRow("jsonl, raised at the first sample") << QStringList{"--no-pacing"} << "jsonl"
                                                           << "U1>200" << QStringList{"raised"};
        QTest::newRow("influx") << QStringList{"--no-pacing"} << "influx"
                                << "U1>200" << QStringList{"raised"};
        QTest::newRow("csv and the log") << QStringList{"--no-pacing"} << "csv"
                                         << "U1>200" << QStringList{"raised"};
        QTest::newRow("tsv: stderr only") << QStringList{"--no-pacing"} << "tsv"
                                          << "U1>200" << QStringList{"raised"};
        QTest::newRow("a rule never met writes nothing") << QStringList{"--no-pacing"} << "jsonl"
                                                         << "F<49.5 for 2s" << QStringList{};
        QTest::newRow("silent meter raises a silent rule, its return clears it")
            << QStringList{"--no-pacing", "--silent-after", "6", "--silent-for", "4"} << "jsonl"
            << "U1 silent 2s" << QStringList{"raised", "cleared"};
    }
    void alarmsReachEveryOutput()
    {
        QFETCH(QStringList, meterArgs);
        QFETCH(QString, format);
        QFETCH(QString, rule);
        QFETCH(QStringList, states);
        MeterProcess meter;
        const QString port = startMeter(meter, meterArgs);
        QVERIFY2(!port.isEmpty(), "the virtual meter could not open a pseudo-terminal");
        const QString log = m_dir.filePath(QStringLiteral("alarms-%1.csv").arg(++m_logs));
        const QStringList args{"--ports", port,    "live", "--frames", "14", "--format",
                               format,    "--log", log,    "--alarm",  rule};
        const ProcessResult run = runProgram(kCli, args, 60000);
        QVERIFY2(run.finished, qPrintable(run.errText()));
        QCOMPARE(run.exitCode, 0);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto logRows =
            korvane::testing::readCsvStrictly(QString::fromUtf8(file.readAll().mid(3)), u',');
        QVERIFY(logRows);

        // The same events in each place: stderr, the log's status rows, stdout's own lines.
        QStringList said, logged, printed;
        static const QRegularExpression text(QStringLiteral("^alarm (raised|cleared): (.*)$"));
        for (const QString& line : run.errText().split(u'\n')) {
            if (const auto m = text.match(line); m.hasMatch())
                said << m.captured(1);
        }
        for (const QStringList& row : *logRows) {
            if (const auto m = text.match(row.last()); m.hasMatch()) {
                logged << m.captured(1);
                QVERIFY2(m.captured(2).startsWith(rule), qPrintable(row.last()));
            }
        }
        if (format == QLatin1String("jsonl")) {
            for (const QJsonObject& event : jsonObjects(run.out, "alarm")) {
                printed << event.value("state").toString();
                QCOMPARE(event.value("alarm").toString(), rule);
                QCOMPARE(event.value("key").toString(), rule.left(2));
                if (rule.contains(u'>'))
                    QVERIFY(event.value("value").toDouble() > 200);
            }
        } else if (format == QLatin1String("influx")) {
            for (const QByteArray& line : run.out.split('\n')) {
                const auto point =
                    korvane::testing::parseLineProtocol(QString::fromUtf8(line + '\n'));
                if (point && point->measurement == QLatin1String("korvane_alarm")) {
                    printed << point->fields.value("state").remove(u'"');
                    QCOMPARE(point->tags.value("rule"), QStringLiteral("u1_gt_200"));
                }
            }
        } else if (format == QLatin1String("csv")) {
            const auto rows = korvane::testing::readCsvStrictly(QString::fromUtf8(run.out), u',');
            QVERIFY(rows);
            for (const QStringList& row : *rows) {
                if (const auto m = text.match(row.last()); m.hasMatch())
                    printed << m.captured(1);
            }
        } else {
            printed = states; // the live view's lines have no room for them
            for (const QString& line : run.outLines())
                QVERIFY(!line.contains(QLatin1String("alarm")));
        }
        QCOMPARE(said, states);
        QCOMPARE(logged, states);
        QCOMPARE(printed, states);
    }

    // A log of two voltage frames, as the live command writes it.
    QString smallLog()
    {
        const QString path = m_dir.filePath(QStringLiteral("small-survey.csv"));
        korvane::datalog::CsvFormat csv(
            korvane::datalog::CsvFormat::style(korvane::datalog::Dialect::Comma, true));
        QByteArray log = csv.frameHeading();
        for (int n = 0; n < 2; ++n) {
            korvane::measure::Reading r;
            r.kind = 1;
            r.receivedMs = QDateTime(QDate(2026, 12, 7), QTime(10, 0, n)).toMSecsSinceEpoch();
            r.count = 2;
            r.quantities[0] = {korvane::measure::Key::U1, korvane::measure::State::Value, false,
                               230.0 + 2 * n};
            r.quantities[1] = {korvane::measure::Key::F, korvane::measure::State::Value, false,
                               50.0};
            log += csv.frame(r);
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(log) != log.size())
            return QString();
        return path;
    }

    void reportOfASavedLog_data()
    {
        QTest::addColumn<QStringList>("args"); // LOG stands for the log, OUT for the output file
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("stdoutHas");
        QTest::addColumn<QByteArray>("fileStarts");
        QTest::addColumn<QString>("stderrHas");
        QTest::newRow("statistics as CSV on stdout")
            << QStringList{"report", "LOG", "--format", "csv"} << 0
            << QByteArray("quantity,unit,count,min,mean,max,p5,p95\r\nU1,V,2,230,231,232,230.1,"
                          "231.9\r\nF,Hz,2,50,50,50,50,50\r\n")
            << QByteArray() << QString();
        QTest::newRow("statistics as CSV in a file")
            << QStringList{"report", "LOG", "--format", "csv", "--out", "OUT"} << 0 << QByteArray()
            << QByteArray("quantity,unit,count") << "report written to";
        QTest::newRow("PDF without a display or a platform named")
            << QStringList{"report", "LOG", "--out", "OUT", "--title", "Site 7"} << 0
            << QByteArray() << QByteArray("%PDF-") << "report written to";
        QTest::newRow("a period the log does not reach")
            << QStringList{"report", "LOG", "--format", "csv", "--from", "2026-12-08"} << 2
            << QByteArray() << QByteArray() << "no readings between";
        QTest::newRow("a file that is no log")
            << QStringList{"report", kMeter, "--format", "csv"} << 7 << QByteArray() << QByteArray()
            << "korvane-meter-sim";
        QTest::newRow("a folder to write into that is a file")
            << QStringList{"report", "LOG", "--out", "LOG/report.pdf"} << 5 << QByteArray()
            << QByteArray() << "report.pdf";
    }
    void reportOfASavedLog()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, stdoutHas);
        QFETCH(QByteArray, fileStarts);
        QFETCH(QString, stderrHas);
        const QString log = smallLog();
        QVERIFY(!log.isEmpty());
        const QString out = m_dir.filePath(QStringLiteral("report-%1").arg(++m_logs));
        args.replaceInStrings(QStringLiteral("LOG"), log);
        args.replaceInStrings(QStringLiteral("OUT"), out);
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        cli.setProcessEnvironment(env);
        cli.start(kCli, args);
        QVERIFY(cli.waitForFinished(60000));
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QVERIFY2(cli.exitCode() == exitCode, qPrintable(err));
        QVERIFY2(err.contains(stderrHas), qPrintable(err));
        QCOMPARE(cli.readAllStandardOutput(), stdoutHas);
        QFile file(out);
        QCOMPARE(file.exists(), !fileStarts.isEmpty());
        if (file.open(QIODevice::ReadOnly))
            QVERIFY(file.readAll().startsWith(fileStarts));
    }

    void noMeterGivesUpAfterOneSearchCycle()
    {
        const ProcessResult run = runProgram(
            kCli, {"--ports", m_dir.filePath(QStringLiteral("nothing-here")), "live"}, 30000);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 3);
        QVERIFY(run.errText().contains(QLatin1String("COM1Unviable")));
        QVERIFY(run.errText().contains(QLatin1String("COM16Unviable")));
    }

    void usageErrorsExitTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("no command") << QStringList{} << QString();
        QTest::newRow("unknown command") << QStringList{"dance"} << QString();
        QTest::newRow("unknown option") << QStringList{"--colour", "live"} << QString();
        QTest::newRow("frames of zero") << QStringList{"live", "--frames", "0"} << QString();
        QTest::newRow("frames not a number")
            << QStringList{"live", "--frames", "many"} << QString();
        QTest::newRow("frames without a value") << QStringList{"live", "--frames"} << QString();
        QTest::newRow("frames for records") << QStringList{"records", "--frames", "3"} << QString();
        QTest::newRow("empty port list") << QStringList{"--ports", ",", "live"} << QString();
        QStringList seventeen;
        for (int n = 0; n < 17; ++n)
            seventeen << QStringLiteral("/dev/ttyUSB%1").arg(n);
        QTest::newRow("17 ports") << QStringList{"--ports", seventeen.join(u','), "live"}
                                  << "at most 16 devices";
        QTest::newRow("saving belongs to records")
            << QStringList{"live", "--csv", "x.csv"} << QString();
        QTest::newRow("save without a file name")
            << QStringList{"records", "--text", ""} << QString();
        QTest::newRow("unknown format") << QStringList{"live", "--format", "xml"} << QString();
        QTest::newRow("dialect without CSV")
            << QStringList{"live", "--dialect", "semicolon"} << QString();
        QTest::newRow("unknown dialect")
            << QStringList{"live", "--format", "csv", "--dialect", "x"} << QString();
        QTest::newRow("unknown interval") << QStringList{"live", "--interval", "5m"} << QString();
        QTest::newRow("logging belongs to live")
            << QStringList{"records", "--log", "x.csv"} << QString();
        QTest::newRow("records have no line protocol")
            << QStringList{"records", "--format", "influx"} << QString("tsv, csv or jsonl");
        QTest::newRow("records format with a save file")
            << QStringList{"records", "--format", "csv", "--csv", "x.csv"}
            << QString("--format is for standard output");
        QTest::newRow("energy belongs to live and publish")
            << QStringList{"records", "--energy"} << "--energy belongs to";
        QTest::newRow("alarm with an unknown quantity")
            << QStringList{"live", "--alarm", "U1>253", "--alarm", "U4>3"} << "'U4>3'";
        QTest::newRow("alarm without a condition")
            << QStringList{"live", "--alarm", "U1 253"} << "'U1 253'";
        QTest::newRow("tariff file missing")
            << QStringList{"live", "--tariff", m_dir.filePath("no-such-tariff.ini")}
            << "no-such-tariff.ini";
        const QString badTariff = m_dir.filePath(QStringLiteral("bad-tariff.ini"));
        QFile file(badTariff);
        if (file.open(QIODevice::WriteOnly))
            file.write("currency = EUR\n[from 2026-01-01]\nprice = cheap\n");
        QTest::newRow("tariff with a bad price names its line")
            << QStringList{"live", "--tariff", badTariff} << "line 3";
        QTest::newRow("report without a log")
            << QStringList{"report", "--out", "x.pdf"} << "one or more log files";
        QTest::newRow("report as PDF without --out") << QStringList{"report", "x.csv"} << "--out";
        QTest::newRow("report in an unknown format")
            << QStringList{"report", "x.csv", "--format", "jsonl"} << "pdf or csv";
        QTest::newRow("report from a time that does not read")
            << QStringList{"report", "x.csv", "--format", "csv", "--from", "yesterday"}
            << "ISO 8601";
        QTest::newRow("report ending before it starts")
            << QStringList{"report",           "x.csv", "--out",           "x.pdf", "--from",
                           "2026-12-07T10:00", "--to",  "2026-12-07T09:00"}
            << "--to must come after --from";
        QTest::newRow("report at 55 Hz")
            << QStringList{"report", "x.csv", "--out", "x.pdf", "--nominal-frequency", "55"}
            << "50 or 60";
        QTest::newRow("report with a meter's option")
            << QStringList{"--ports", "/dev/ttyUSB0", "report", "x.csv", "--out", "x.pdf"}
            << "--ports does not belong to the report command";
        QTest::newRow("report's options belong to it")
            << QStringList{"live", "--out", "x.pdf"} << "--out belongs to the report command";
    }
    void usageErrorsExitTwo()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, mentions);
        const ProcessResult run = runProgram(kCli, args, 10000);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.errText().startsWith(QLatin1String("korvane-cli: ")));
        QVERIFY2(run.errText().contains(mentions), qPrintable(run.errText()));
    }

    void helpAndVersion()
    {
        const ProcessResult help = runProgram(kCli, {"--help"}, 10000);
        QCOMPARE(help.exitCode, 0);
        QVERIFY(QString::fromUtf8(help.out).contains(QLatin1String("--ports")));
        const ProcessResult version = runProgram(kCli, {"--version"}, 10000);
        QCOMPARE(version.exitCode, 0);
        QVERIFY(QString::fromUtf8(version.out).startsWith(QLatin1String("korvane-cli ")));
    }
};

QTEST_GUILESS_MAIN(TstCliE2e)
#include "tst_cli_e2e.moc"
