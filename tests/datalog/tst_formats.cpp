// SPDX-License-Identifier: GPL-3.0-or-later
// Every machine format read back by a real parser: CSV in both dialects by Python's csv module,
// JSON Lines by QJsonDocument, the line protocol against its grammar; and the times they carry.
#include "datalog/fields.h"
#include "datalog/lineformat.h"
#include "support/csvreader.h"
#include "support/lineprotocol.h"
#include "support/zone.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <ctime>

using namespace korvane;
using measure::Key;
using measure::State;

namespace {
// 2026-12-07T09:15:02.250Z
constexpr qint64 kWinterMs = 1796634902250;

measure::Quantity value(Key key, double v, bool kilo = false)
{
    return {key, State::Value, kilo, v};
}
measure::Quantity marked(Key key, State state)
{
    return {key, state, false, 0};
}

// Phase 1: a power factor leading, an overloaded active power, an undefined reactive code.
measure::Reading phaseOne()
{
    return {0,
            0,
            kWinterMs,
            6,
            {value(Key::U1, 230.5), value(Key::I1, 12.5), value(Key::PF1, -0.85),
             marked(Key::P1, State::Overload), marked(Key::Q1, State::Undefined),
             value(Key::S1, 2882, true)},
            std::nullopt};
}

measure::Reading voltages()
{
    return {1,
            0,
            kWinterMs + 250,
            5,
            {value(Key::U1, 230.5), value(Key::U2, 229), value(Key::U3, 231.25), value(Key::I, 0.5),
             value(Key::F, 49.9)},
            std::nullopt};
}

datalog::IntervalSummary summary()
{
    return {kWinterMs - 2250 - 60000,
            kWinterMs - 2250,
            kWinterMs - 2250 - 40000,
            true,
            {{Key::U1, 3, 0, 229, 231, 230.0014},
             {Key::PF1, 2, 0, -0.9, -0.8, -0.85},
             {Key::P1, 0, 4, 0, 0, std::nullopt}}};
}

// Python's csv module in strict mode, as a reader's script would open the file.
std::optional<QList<QStringList>> readWithPython(const QByteArray& file, QChar separator)
{
    static const QString script = QStringLiteral(
        "import csv, io, json, sys\n"
        "text = io.TextIOWrapper(sys.stdin.buffer, encoding='utf-8-sig', newline='')\n"
        "json.dump(list(csv.reader(text, delimiter=sys.argv[1], strict=True)), sys.stdout)\n");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {"-c", script, QString(separator)});
    python.write(file);
    python.closeWriteChannel();
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        return std::nullopt;
    QList<QStringList> rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        rows << row.toVariant().toStringList();
        if (rows.last().size() != rows.first().size())
            return std::nullopt;
    }
    return rows;
}

QJsonObject parseJson(const QByteArray& line)
{
    if (!line.endsWith('\n') || line.count('\n') != 1)
        return {};
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    return error.error == QJsonParseError::NoError ? doc.object() : QJsonObject();
}
} // namespace

class TstFormats : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(testing::useLocalZone("Europe/Berlin"), testing::kOtherZone); }

    void csvReadsBackInBothDialects_data()
    {
        QTest::addColumn<datalog::Dialect>("dialect");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QStringList>("numbers"); // U1, PF1, S1 of phase one; F of the voltages
        QTest::newRow("comma") << datalog::Dialect::Comma << QChar(u',')
                               << QStringList{"230.5", "-0.85", "2882", "49.9"};
        QTest::newRow("semicolon") << datalog::Dialect::Semicolon << QChar(u';')
                                   << QStringList{"230,5", "-0,85", "2882", "49,9"};
    }
    void csvReadsBackInBothDialects()
    {
        QFETCH(datalog::Dialect, dialect);
        QFETCH(QChar, separator);
        QFETCH(QStringList, numbers);
        auto format = datalog::makeFormat(datalog::Format::Csv, dialect, true);
        format->setMeter(QStringLiteral("/dev/ttyUSB0"));
        const QByteArray file = format->frameHeading() + format->frame(phaseOne()) +
                                format->frame(voltages()) +
                                format->event({kWinterMs + 500, "meter found on a;b,\"c\""});
        QVERIFY(file.startsWith("\xEF\xBB\xBF"));
        const auto rows = readWithPython(file, separator);
        QVERIFY(rows);
        QCOMPARE(rows->size(), 4);
        const QStringList& heading = rows->at(0);
        QCOMPARE(heading.first(), QStringLiteral("time"));
        QCOMPARE(heading.last(), QStringLiteral("status"));
        auto cell = [&](int row, const QString& column) {
            return rows->at(row).at(heading.indexOf(column));
        };
        QCOMPARE(cell(1, "time"), QStringLiteral("2026-12-07T10:15:02.250+01:00"));
        QCOMPARE(cell(1, "U1 [V]"), numbers[0]);
        QCOMPARE(cell(1, "PF1"), numbers[1]);
        QCOMPARE(cell(1, "S1 [VA]"), numbers[2]);
        QCOMPARE(cell(1, "P1 [W]"), QStringLiteral("OL"));
        QCOMPARE(cell(1, "Q1 [var]"), QString()); // undefined: never a number
        QCOMPARE(cell(1, "F [Hz]"), QString());
        QCOMPARE(cell(2, "F [Hz]"), numbers[3]);
        QCOMPARE(cell(2, "I1 [A]"), QString());
        QCOMPARE(cell(1, "kind") + cell(1, "index"), QStringLiteral("00"));
        QCOMPARE(cell(2, "kind") + cell(2, "index"), QStringLiteral("1"));
        QCOMPARE(cell(3, "status"), QStringLiteral("meter found on a;b,\"c\""));
        QCOMPARE(cell(3, "U1 [V]"), QString());
    }

    void csvStatisticsReadBack()
    {
        auto format = datalog::makeFormat(datalog::Format::Csv, datalog::Dialect::Semicolon);
        const QByteArray text = format->statsHeading() + format->stats(summary());
        const auto rows = testing::readCsvStrictly(QString::fromUtf8(text), u';');
        QVERIFY(rows);
        QCOMPARE(rows->size(), 4);
        QCOMPARE(rows->at(1),
                 (QStringList{"2026-12-07T10:14:00.000+01:00", "2026-12-07T10:15:00.000+01:00",
                              "U1", "V", "229", "230,0014", "231", "3", "0", "true"}));
        QCOMPARE(rows->at(3),
                 (QStringList{"2026-12-07T10:14:00.000+01:00", "2026-12-07T10:15:00.000+01:00",
                              "P1", "W", "", "", "", "0", "4", "true"}));
    }

    void jsonLinesParse()
    {
        auto format = datalog::makeFormat(datalog::Format::Jsonl);
        const QJsonObject phase = parseJson(format->frame(phaseOne()));
        QCOMPARE(phase.value("time").toString(), QStringLiteral("2026-12-07T10:15:02.250+01:00"));
        QCOMPARE(phase.value("kind").toInt(-1), 0);
        QCOMPARE(phase.value("index").toInt(-1), 0);
        const QJsonObject values = phase.value("values").toObject();
        QCOMPARE(values.keys(), (QStringList{"I1", "PF1", "S1", "U1"}));
        QCOMPARE(values.value("PF1").toDouble(), -0.85);
        QCOMPARE(values.value("S1").toDouble(), 2882.0);
        QCOMPARE(phase.value("overload").toArray(), QJsonArray{"P1"});
        const QJsonObject units = phase.value("units").toObject();
        QCOMPARE(units.keys(), (QStringList{"I1", "P1", "PF1", "S1", "U1"}));
        QCOMPARE(units.value("S1").toString(), QStringLiteral("VA"));

        const QJsonObject volts = parseJson(format->frame(voltages()));
        QCOMPARE(volts.value("kind").toInt(-1), 1);
        QVERIFY(!volts.contains("index"));
        QCOMPARE(volts.value("values").toObject().value("F").toDouble(), 49.9);

        const QJsonObject event = parseJson(format->event({kWinterMs, "link \"lost\"\n"}));
        QCOMPARE(event.value("event").toString(), QStringLiteral("link \"lost\"\n"));

        const QJsonObject stats = parseJson(format->stats(summary()));
        QCOMPARE(stats.value("partial").toBool(false), true);
        const QJsonObject u1 = stats.value("stats").toObject().value("U1").toObject();
        QCOMPARE(u1.value("avg").toDouble(), 230.0014);
        QCOMPARE(u1.value("count").toInt(), 3);
        const QJsonObject p1 = stats.value("stats").toObject().value("P1").toObject();
        QCOMPARE(p1.keys(), (QStringList{"count", "overloads"}));
    }

    void lineProtocolFollowsItsGrammar()
    {
        auto format = datalog::makeFormat(datalog::Format::Influx);
        format->setMeter(QStringLiteral("/dev/my meter,1"));
        const auto phase = testing::parseLineProtocol(QString::fromUtf8(format->frame(phaseOne())));
        QVERIFY(phase);
        QCOMPARE(phase->measurement, QStringLiteral("korvane"));
        QCOMPARE(phase->tags.value("meter"), QStringLiteral("/dev/my\\ meter\\,1"));
        QCOMPARE(phase->tags.value("kind"), QStringLiteral("0"));
        QCOMPARE(phase->fields.keys(), (QStringList{"I1", "PF1", "S1", "U1", "index", "overload"}));
        QCOMPARE(phase->fields.value("U1"), QStringLiteral("230.5"));
        QCOMPARE(phase->fields.value("index"), QStringLiteral("0i"));
        QCOMPARE(phase->fields.value("overload"), QStringLiteral("\"P1\""));
        QCOMPARE(phase->ns, kWinterMs * 1000000);

        const measure::Reading nothing{0, 0, kWinterMs, 1, {marked(Key::P, State::Undefined)}, {}};
        QVERIFY(format->frame(nothing).isEmpty()); // a line without fields is no line

        const auto event =
            testing::parseLineProtocol(QString::fromUtf8(format->event({kWinterMs, "link lost"})));
        QVERIFY(event);
        QCOMPARE(event->fields.value("event"), QStringLiteral("\"link lost\""));

        const auto stats = testing::parseLineProtocol(QString::fromUtf8(format->stats(summary())));
        QVERIFY(stats);
        QCOMPARE(stats->measurement, QStringLiteral("korvane_stats"));
        QCOMPARE(stats->tags.value("interval"), QStringLiteral("1m"));
        QCOMPARE(stats->fields.value("PF1_avg"), QStringLiteral("-0.85"));
        QCOMPARE(stats->fields.value("P1_overloads"), QStringLiteral("4i"));
        QVERIFY(!stats->fields.contains("P1_min"));
        QCOMPARE(stats->fields.value("partial"), QStringLiteral("true"));
        QCOMPARE(stats->ns, (kWinterMs - 2250 - 40000) * 1000000); // partial: its first sample
    }

    void timesCarryTheirOffset_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("winter") << kWinterMs << "2026-12-07T10:15:02.250+01:00";
        QTest::newRow("summer") << qint64(1782896400000) << "2026-07-01T11:00:00.000+02:00";
        QTest::newRow("the hour that repeats, first time")
            << qint64(1792888200000) << "2026-10-25T02:30:00.000+02:00";
        QTest::newRow("the hour that repeats, second time")
            << qint64(1792890000000) << "2026-10-25T02:00:00.000+01:00";
    }
    void timesCarryTheirOffset()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(datalog::isoTimeWithOffset(ms), text);
    }

    void utcIsWrittenAsAnOffsetToo()
    {
        if (!testing::useLocalZone("UTC"))
            QSKIP(testing::kOtherZone);
        const QString text = datalog::isoTimeWithOffset(kWinterMs);
        QVERIFY(testing::useLocalZone("Europe/Berlin"));
        QCOMPARE(text, QStringLiteral("2026-12-07T09:15:02.250+00:00"));
    }
};

QTEST_GUILESS_MAIN(TstFormats)
#include "tst_formats.moc"
