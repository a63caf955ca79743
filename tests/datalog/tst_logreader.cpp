// SPDX-License-Identifier: GPL-3.0-or-later
// Logs read back: what the real writers wrote (both CSV dialects, JSON Lines, the trend's CSV
// export) comes back frame for frame and event for event, fed whole or in pieces; damaged and
// foreign files give their line or say what they are. Joining files is tst_survey's.
#include "alarms/eventformat.h"
#include "datalog/fields.h"
#include "datalog/lineformat.h"
#include "datalog/logreader.h"
#include "export/trendcsv.h"
#include "support/zone.h"

#include <QTest>

#include <ctime>

using namespace korvane;
using datalog::LogEvent;
using measure::Key;
using measure::State;

namespace {
// 2026-12-07T09:15:02.250Z
constexpr qint64 kWinterMs = 1796634902250;

measure::Quantity value(Key key, double v)
{
    return {key, State::Value, false, v};
}
measure::Quantity marked(Key key, State state)
{
    return {key, state, false, 0};
}

std::vector<measure::Reading> readings()
{
    return {
        {0,
         0,
         kWinterMs,
         6,
         {value(Key::U1, 230.5), value(Key::I1, 12.5), value(Key::PF1, -0.85),
          marked(Key::P1, State::Overload), marked(Key::Q1, State::Undefined),
          value(Key::S1, 2882)},
         std::nullopt},
        {1,
         0,
         kWinterMs + 500,
         5,
         {value(Key::U1, 230.25), value(Key::U2, 229), value(Key::U3, 1e-3), value(Key::I, 0.5),
          value(Key::F, 49.9)},
         std::nullopt},
        {0,
         3,
         kWinterMs + 1000,
         4,
         {value(Key::PF, 0.99), value(Key::P, 6123.5), value(Key::Q, -12), value(Key::S, 6200)},
         std::nullopt},
    };
}

alarms::AlarmEvent alarm(const char* rule, alarms::AlarmState state, std::optional<double> v,
                         bool overload = false)
{
    return {kWinterMs + 700, std::get<alarms::Rule>(alarms::parseRule(QString::fromLatin1(rule))),
            state, v, overload};
}

// Frames and events in one comparable text each.
QString described(qint64 ms, std::optional<quint8> kind, std::optional<quint8> index,
                  const QStringList& values)
{
    return QStringLiteral("%1 kind %2 index %3: %4")
        .arg(datalog::isoTimeWithOffset(ms))
        .arg(kind ? QString::number(*kind) : QStringLiteral("-"))
        .arg(index ? QString::number(*index) : QStringLiteral("-"))
        .arg(values.join(u' '));
}

QString describedReading(const measure::Reading& r, const datalog::DerivedValues& derived,
                         const std::vector<datalog::DerivedColumn>& columns, bool withKind)
{
    std::vector<measure::Quantity> sorted(r.values().begin(), r.values().end());
    std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.key < b.key; });
    QStringList values;
    for (const measure::Quantity& q : sorted) {
        if (q.state != State::Undefined)
            values << measure::keyInfo(q.key).name.toString() + u'=' +
                          (q.hasValue() ? QString::number(q.value, 'g', 17) : QStringLiteral("OL"));
    }
    for (std::size_t i = 0; i < derived.size(); ++i) {
        if (derived[i])
            values << columns[i].name + u'[' + columns[i].unit + QStringLiteral("]=") +
                          QString::number(*derived[i], 'g', 17);
    }
    return described(r.receivedMs, withKind ? std::optional(r.kind) : std::nullopt,
                     withKind && r.hasIndex() ? std::optional(r.index) : std::nullopt, values);
}

struct Collected : datalog::LogVisitor
{
    const datalog::LogReader* reader = nullptr;
    QStringList frames;
    QList<LogEvent> events;

    void frame(const datalog::LogFrame& f) override
    {
        QStringList values;
        for (const measure::Quantity& q : f.quantities)
            values << measure::keyInfo(q.key).name.toString() + u'=' +
                          (q.hasValue() ? QString::number(q.value, 'g', 17) : QStringLiteral("OL"));
        for (const datalog::DerivedSample& s : f.derived) {
            const datalog::DerivedName& name = reader->derived()[std::size_t(s.column)];
            values << name.name + u'[' + name.unit + QStringLiteral("]=") +
                          QString::number(s.value, 'g', 17);
        }
        frames << described(f.ms, f.kind, f.index, values);
    }
    void event(const LogEvent& e) override { events << e; }
};

struct Read
{
    Collected got;
    QString error;
    QStringList notices;
    datalog::LogType type = datalog::LogType::Unknown;
};

Read readBack(const QByteArray& file, qsizetype piece = 0)
{
    Read out;
    datalog::LogReader reader(QStringLiteral("survey.csv"));
    out.got.reader = &reader;
    bool ok = true;
    for (qsizetype at = 0; ok && at<file.size(); at += piece> 0 ? piece : file.size())
        ok = reader.feed(QByteArrayView(file).sliced(at).first(
                             std::min(piece > 0 ? piece : file.size(), file.size() - at)),
                         out.got);
    if (ok)
        reader.finish(out.got);
    out.error = reader.error();
    out.notices = reader.notices();
    out.type = reader.type();
    return out;
}

const std::vector<datalog::DerivedColumn> kDerived{
    {QStringLiteral("E1"), QStringLiteral("Wh"), datalog::DerivedColumn::Kind::Energy},
    {QStringLiteral("E"), QStringLiteral("Wh"), datalog::DerivedColumn::Kind::Energy},
    {QStringLiteral("cost"), QStringLiteral("EUR"), datalog::DerivedColumn::Kind::Cost}};

// A log as the CLI writes one: frames with energy and cost, the recorder's gap rows, alarms.
QByteArray writtenLog(datalog::Format format, datalog::Dialect dialect, QStringList& expectedFrames)
{
    auto writer = datalog::makeFormat(format, dialect, true);
    writer->setDerivedColumns(kDerived);
    QByteArray file = writer->frameHeading();
    const std::vector<datalog::DerivedValues> derived{
        {1234.5, std::nullopt, 0.25}, {}, {std::nullopt, 40000.125, 10.5}};
    const auto frames = readings();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        file += writer->frame(frames[i], derived[i]);
        expectedFrames << describedReading(frames[i], derived[i], kDerived, true);
    }
    for (const char* text :
         {datalog::eventtext::kLinkLost, "meter found on /dev/ttyUSB0",
          datalog::eventtext::kLiveFramesPaused, datalog::eventtext::kLiveFramesAgain})
        file += writer->event({kWinterMs + 600, QString::fromUtf8(text)});
    for (const alarms::AlarmEvent& a :
         {alarm("U1>253 for 5s clear 251", alarms::AlarmState::Raised, 254.1),
          alarm("P1>5000", alarms::AlarmState::Raised, std::nullopt, true),
          alarm("U1 silent 30s", alarms::AlarmState::Cleared, std::nullopt)}) {
        if (format == datalog::Format::Jsonl)
            file += alarms::jsonLine(a);
        else
            file += writer->event({a.ms, alarms::statusText(a)});
    }
    return file;
}
} // namespace

class TstLogReader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(testing::useLocalZone("Europe/Berlin"), testing::kOtherZone); }

    void logsReadBackAsWritten_data()
    {
        QTest::addColumn<datalog::Format>("format");
        QTest::addColumn<datalog::Dialect>("dialect");
        QTest::addColumn<qsizetype>("piece");
        QTest::addColumn<datalog::LogType>("type");
        const auto comma = datalog::Dialect::Comma;
        const auto semicolon = datalog::Dialect::Semicolon;
        QTest::newRow("CSV, comma")
            << datalog::Format::Csv << comma << qsizetype(0) << datalog::LogType::Csv;
        QTest::newRow("CSV, semicolon and decimal comma")
            << datalog::Format::Csv << semicolon << qsizetype(0) << datalog::LogType::Csv;
        QTest::newRow("CSV fed 7 bytes at a time")
            << datalog::Format::Csv << semicolon << qsizetype(7) << datalog::LogType::Csv;
        QTest::newRow("JSON Lines")
            << datalog::Format::Jsonl << comma << qsizetype(0) << datalog::LogType::JsonLines;
        QTest::newRow("JSON Lines fed a byte at a time")
            << datalog::Format::Jsonl << comma << qsizetype(1) << datalog::LogType::JsonLines;
    }
    void logsReadBackAsWritten()
    {
        QFETCH(datalog::Format, format);
        QFETCH(datalog::Dialect, dialect);
        QFETCH(qsizetype, piece);
        QFETCH(datalog::LogType, type);
        QStringList frames;
        const Read read = readBack(writtenLog(format, dialect, frames), piece);
        QCOMPARE(read.error, QString());
        QCOMPARE(read.notices, QStringList());
        QCOMPARE(read.type, type);
        QCOMPARE(read.got.frames, frames);

        QStringList kinds;
        for (const LogEvent& e : read.got.events) {
            QCOMPARE(e.ms, kWinterMs + (e.alarm ? 700 : 600));
            kinds << QString::number(int(e.kind)) + u' ' + e.device;
        }
        using K = LogEvent::Kind;
        QCOMPARE(kinds, (QStringList{QString::number(int(K::LinkLost)) + u' ',
                                     QString::number(int(K::MeterFound)) + " /dev/ttyUSB0",
                                     QString::number(int(K::Paused)) + u' ',
                                     QString::number(int(K::Resumed)) + u' ',
                                     QString::number(int(K::Alarm)) + u' ',
                                     QString::number(int(K::Alarm)) + u' ',
                                     QString::number(int(K::Alarm)) + u' '}));
        const LogEvent& raised = read.got.events[4];
        QCOMPARE(raised.text, QStringLiteral("alarm raised: U1>253 for 5s clear 251 (254.1)"));
        QCOMPARE(raised.alarm->rule, QStringLiteral("U1>253 for 5s clear 251"));
        QVERIFY(raised.alarm->key == Key::U1);
        QCOMPARE(raised.alarm->value.value_or(0), 254.1);
        QVERIFY(raised.alarm->raised);
        const LogEvent& overload = read.got.events[5];
        QVERIFY(overload.alarm->overload && !overload.alarm->value);
        QVERIFY(overload.alarm->key == Key::P1);
        const LogEvent& cleared = read.got.events[6];
        QCOMPARE(cleared.text, QStringLiteral("alarm cleared: U1 silent 30s"));
        QVERIFY(!cleared.alarm->raised && !cleared.alarm->value && !cleared.alarm->overload);
    }

    void trendExportReadsBack()
    {
        trend::TrendStore store;
        QStringList expected;
        for (const measure::Reading& r : readings()) {
            store.add(r);
            if (r.kind == 1) // the keys exported below
                expected << describedReading(r, {}, {}, false).replace(" I=0.5", "");
        }
        const QByteArray file =
            exporting::trendCsv(store, {Key::U1, Key::U2, Key::U3, Key::F}, 0, kWinterMs * 2);
        const Read read = readBack(file);
        QCOMPARE(read.error, QString());
        QCOMPARE(read.type, datalog::LogType::TrendCsv);
        // The first reading's U1 at its own time; the overload is no sample.
        QCOMPARE(read.got.frames,
                 QStringList{described(kWinterMs, {}, {}, {"U1=230.5"})} + expected);
    }

    // A line at fault is named by its number; a file that is no log says what it is.
    void damagedAndForeignFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("frames");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("notice");
        QStringList unused;
        const QByteArray csv = writtenLog(datalog::Format::Csv, datalog::Dialect::Comma, unused);
        const QByteArray jsonl =
            writtenLog(datalog::Format::Jsonl, datalog::Dialect::Comma, unused);
        const qsizetype third = csv.indexOf("\r\n", csv.indexOf("\r\n") + 2) + 2; // line 3
        const auto lineOf = [](const QByteArray& file, int n) {
            return file.split('\n').at(n - 1);
        };

        QTest::newRow("torn last line") << csv + lineOf(csv, 2).left(40) << 3 << QString()
                                        << "survey.csv, line 12: the last line is cut short";
        QTest::newRow("torn last JSON line")
            << jsonl + lineOf(jsonl, 1).left(30) << 3 << QString() << "line 11: the last";
        QTest::newRow("a number that is none")
            << QByteArray(csv).insert(third + 30, "x") << 1 << "survey.csv, line 3: "
            << "";
        QTest::newRow("a field too few")
            << csv.left(third) + lineOf(csv, 3).remove(lineOf(csv, 3).indexOf(",,"), 1) + '\n'
            << 1 << "line 3: the row has 40 of the heading's 41 fields"
            << "";
        QTest::newRow("a time that is none") << csv.left(third) + "yesterday" + csv.mid(third + 29)
                                             << 1 << "line 3: \"yesterday\" is no time"
                                             << "";
        auto json = datalog::makeFormat(datalog::Format::Jsonl);
        QTest::newRow("a lone quote in JSON's first line is no CSV cell")
            << json->event({kWinterMs, "meter found on \"COM1"}) + json->frame(readings()[1]) << 1
            << QString() << QString();
        QTest::newRow("broken JSON") << lineOf(jsonl, 1) + "\n{\"time\":\n"
                                     << 1 << "survey.csv, line 2: no JSON object"
                                     << "";
        QTest::newRow("someone else's CSV")
            << QByteArray("date,temperature\r\n2026-12-07,3\r\n") << 0
            << "survey.csv is not a Korvane log: its first line is no heading Korvane writes"
            << "";
        QTest::newRow("interval statistics")
            << datalog::makeFormat(datalog::Format::Csv)->statsHeading() << 0
            << "survey.csv is not a Korvane log: it holds interval statistics"
            << "";
        QTest::newRow("line protocol")
            << datalog::makeFormat(datalog::Format::Influx)->frame(readings()[1]) << 0
            << "survey.csv is not a Korvane log: it is InfluxDB line protocol"
            << "";
        QTest::newRow("empty") << QByteArray() << 0
                               << "survey.csv is not a Korvane log: it is empty"
                               << "";
    }
    void damagedAndForeignFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, frames);
        QFETCH(QString, error);
        QFETCH(QString, notice);
        const Read read = readBack(file, 100);
        QVERIFY2(error.isEmpty() ? read.error.isEmpty()
                                 : read.error.startsWith(error) || read.error.contains(error),
                 qPrintable(read.error));
        QCOMPARE(read.got.frames.size(), frames);
        QVERIFY2(notice.isEmpty() ? read.notices.isEmpty()
                                  : read.notices.size() == 1 && read.notices[0].contains(notice),
                 qPrintable(read.notices.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TstLogReader)
#include "tst_logreader.moc"
