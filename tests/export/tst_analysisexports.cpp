// SPDX-License-Identifier: GPL-3.0-or-later
// The files for analysis read back by independent readers (Python's strict csv, QJsonDocument,
// openpyxl) and compared number by number to the records' readings; failed saves.
#include "export/analysiscsv.h"
#include "export/analysisjsonl.h"
#include "export/analysisworkbook.h"
#include "support/framebuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace korvane;
using korvane::testing::FrameBuilder;
using Records = std::vector<records::StoredRecord>;
using exporting::Download;

Q_DECLARE_METATYPE(Download)

namespace {
const QString kPython = QStringLiteral("/usr/bin/python3");

QByteArray runPython(const char* script, const QStringList& args)
{
    QProcess reader;
    reader.start(kPython,
                 QStringList{QStringLiteral(KORVANE_TEST_SOURCE_DIR "/") + QLatin1String(script)} +
                     args);
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        qFatal("%s failed: %s", script, reader.readAllStandardError().constData());
    return reader.readAllStandardOutput();
}

Records decoded(const QList<QByteArray>& frames)
{
    Records out;
    for (const QByteArray& frame : frames)
        out.push_back({int(out.size()) + 1, quint8(frame[0]),
                       measure::decodeFrame(frame, measure::Source::Stored, 1765000000000)});
    return out;
}

const measure::Quantity* quantity(const records::StoredRecord& record, measure::Key key)
{
    if (record.reading) {
        for (const measure::Quantity& q : record.reading->values())
            if (q.key == key)
                return &q;
    }
    return nullptr;
}

QSet<QString> overloaded(const records::StoredRecord& record)
{
    QSet<QString> names;
    if (record.reading) {
        for (const measure::Quantity& q : record.reading->values())
            if (q.state == measure::State::Overload)
                names << measure::keyInfo(q.key).name.toString();
    }
    return names;
}

// The key columns the records call for: every key any record has, in key order.
QList<measure::Key> expectedKeys(const Records& stored)
{
    QList<measure::Key> keys;
    for (int k = 0; k < measure::kKeyCount; ++k) {
        for (const records::StoredRecord& record : stored)
            if (quantity(record, measure::Key(k))) {
                keys << measure::Key(k);
                break;
            }
    }
    return keys;
}

QString clockText(const records::StoredRecord& record)
{
    if (!record.reading || !record.reading->clock)
        return {};
    const measure::MeterClock c = *record.reading->clock;
    return QString::asprintf("%02d:%02d:%02d", c.hours, c.minutes, c.seconds);
}
} // namespace

class TstAnalysisExports : public QObject
{
    Q_OBJECT

    static void recordsTable()
    {
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<Download>("download");
        const QByteArray phase = FrameBuilder(0, 0)
                                     .q(2, 2305, 3)
                                     .q(5, 123, 0)
                                     .q(8, 1000, 2)
                                     .q(11, 1500, 4)
                                     .q(14, 100, 6)
                                     .q(17, 999, 9);
        const QByteArray totals =
            FrameBuilder(0, 3).q(8, 850, 2).q(11, 2000, 7).q(14, 100, 2).q(17, 2236, 5);
        const QByteArray voltages =
            FrameBuilder(1).q(1, 2301, 3).q(4, 2302, 3).q(7, 2303, 3).q(10, 50, 1).q(13, 500);
        const QByteArray angles =
            FrameBuilder(2).q(10, 1200).q(12, 2400).q(14, 0).q(16, 300).at(18, 1);
        const QByteArray type3 = FrameBuilder(3, 5)
                                     .q(2, 2300, 3)
                                     .q(8, 920, 1)
                                     .q(11, 1234, 6)
                                     .q(14, 500, 4)
                                     .bytes(17, {9, 5, 7});
        QTest::newRow("every kind, overloads, a totals record with an undefined code")
            << QList<QByteArray>{phase, totals, voltages, angles, type3} << Download::Complete;
        QTest::newRow("unknown record type")
            << QList<QByteArray>{FrameBuilder(9).frame(), phase} << Download::Complete;
        QTest::newRow("empty list") << QList<QByteArray>{} << Download::Complete;
        QTest::newRow("incomplete download")
            << QList<QByteArray>{phase, type3} << Download::Incomplete;
        QTest::newRow("incomplete, nothing received")
            << QList<QByteArray>{} << Download::Incomplete;
    }

private slots:
    void csvReadsBackAsTheReadings_data() { recordsTable(); }
    void csvReadsBackAsTheReadings()
    {
        // Each case once per dialect.
        for (datalog::Dialect dialect : {datalog::Dialect::Comma, datalog::Dialect::Semicolon})
            checkCsv(dialect);
    }

    void jsonLinesReadBackAsTheReadings_data() { recordsTable(); }
    void jsonLinesReadBackAsTheReadings()
    {
        QFETCH(QList<QByteArray>, frames);
        QFETCH(Download, download);
        const Records stored = decoded(frames);
        QList<QByteArray> lines = exporting::analysisJsonl(stored, download).split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.size(), qsizetype(stored.size()) + (download == Download::Incomplete));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QJsonParseError error;
            const QJsonObject object = QJsonDocument::fromJson(lines[i], &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, lines[i].constData());
            if (i == qsizetype(stored.size())) {
                QCOMPARE(object, (QJsonObject{{"incomplete", true}, {"records", int(i)}}));
                continue;
            }
            const records::StoredRecord& record = stored[std::size_t(i)];
            QCOMPARE(object["record"].toInt(), record.number);
            QCOMPARE(object["kind"].toInt(), record.type);
            const QJsonObject values = object["values"].toObject();
            int withValue = 0;
            for (const QString& name : values.keys()) {
                const measure::Quantity* q = quantity(record, *measure::keyNamed(name));
                QVERIFY2(q && q->hasValue(), qPrintable(name));
                QCOMPARE(values[name].toDouble(), q->value);
                ++withValue;
            }
            QCOMPARE(values.size(), withValue);
            QSet<QString> overloads;
            for (const QJsonValue& name : object["overload"].toArray())
                overloads << name.toString();
            QCOMPARE(overloads, overloaded(record));
        }
    }

    void workbookHoldsNumbersInTheCsvColumns_data() { recordsTable(); }
    void workbookHoldsNumbersInTheCsvColumns()
    {
        QFETCH(QList<QByteArray>, frames);
        QFETCH(Download, download);
        const Records stored = decoded(frames);
        QTemporaryDir dir;
        const QString csvPath = dir.filePath(QStringLiteral("records.csv"));
        const QString bookPath = dir.filePath(QStringLiteral("records.xlsx"));
        QVERIFY(exporting::saveAnalysisCsv(csvPath, stored, download, datalog::Dialect::Comma).ok);
        QVERIFY(exporting::saveAnalysisWorkbook(bookPath, stored, download).ok);
        const QJsonArray heading =
            QJsonDocument::fromJson(runPython("read_analysis_csv.py", {csvPath, ","}))
                .array()[0]
                .toArray();
        const QJsonObject book =
            QJsonDocument::fromJson(runPython("read_workbook.py", {bookPath})).object();
        QCOMPARE(book["rows"].toInt(), int(stored.size()) + 1);
        QCOMPARE(book["columns"].toInt(), heading.size());
        QHash<QPair<int, int>, QJsonArray> cells;
        for (const QJsonValue& value : book["cells"].toArray())
            cells[{value[0].toInt(), value[1].toInt()}] = value.toArray();
        const auto cellAt = [&](int row, int c) { return cells.value(qMakePair(row + 1, c + 1)); };
        for (int c = 0; c < heading.size(); ++c)
            QCOMPARE(cellAt(0, c)[2], heading[c]);
        for (int r = 0; r < int(stored.size()); ++r) {
            const records::StoredRecord& record = stored[std::size_t(r)];
            const auto cell = [&](int c) { return cellAt(r + 1, c); };
            QCOMPARE(cell(0)[2].toInt(), record.number);
            QCOMPARE(cell(1)[2].toInt(), record.type);
            QCOMPARE(cell(3)[2].toString(), clockText(record));
            for (int c = 4; c < heading.size(); ++c) {
                const auto key = measure::keyNamed(heading[c].toString().section(u' ', 0, 0));
                if (!key)
                    continue;
                const measure::Quantity* q = quantity(record, *key);
                if (q && q->hasValue()) {
                    QCOMPARE(cell(c)[4].toString(), QStringLiteral("n"));
                    QCOMPARE(cell(c)[2].toDouble(), q->value);
                    QVERIFY(cell(c)[5].toString().startsWith(u'0'));
                } else {
                    QVERIFY(cell(c)[2].isNull());
                }
            }
            if (download == Download::Incomplete)
                QCOMPARE(cell(heading.size() - 1)[2], QJsonValue(true));
        }
    }

    void failedSaveNamesTheFileAndLeavesNone_data()
    {
        QTest::addColumn<std::function<exporting::SaveResult(const QString&)>>("save");
        const Records stored = decoded({FrameBuilder(1).q(1, 2301, 3).frame()});
        QTest::newRow("csv") << std::function([stored](const QString& path) {
            return exporting::saveAnalysisCsv(path, stored, Download::Complete,
                                              datalog::Dialect::Comma);
        });
        QTest::newRow("json lines") << std::function([stored](const QString& path) {
            return exporting::saveAnalysisJsonl(path, stored, Download::Complete);
        });
        QTest::newRow("workbook") << std::function([stored](const QString& path) {
            return exporting::saveAnalysisWorkbook(path, stored, Download::Complete);
        });
    }
    void failedSaveNamesTheFileAndLeavesNone()
    {
        QFETCH(std::function<exporting::SaveResult(const QString&)>, save);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/records"));
        const exporting::SaveResult result = save(path);
        QVERIFY(!result.ok);
        QVERIFY(result.message().contains(path));
        QVERIFY(!QFile::exists(path));
    }

private:
    void checkCsv(datalog::Dialect dialect)
    {
        QFETCH(QList<QByteArray>, frames);
        QFETCH(Download, download);
        const Records stored = decoded(frames);
        const bool semicolon = dialect == datalog::Dialect::Semicolon;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("records.csv"));
        QVERIFY(exporting::saveAnalysisCsv(path, stored, download, dialect).ok);
        const QJsonArray rows = QJsonDocument::fromJson(runPython("read_analysis_csv.py",
                                                                  {path, semicolon ? ";" : ","}))
                                    .array();
        QCOMPARE(rows.size(), qsizetype(stored.size()) + 1);

        QStringList heading;
        for (const QJsonValue& name : rows[0].toArray())
            heading << name.toString();
        const bool incomplete = download == Download::Incomplete;
        QCOMPARE(heading.mid(0, 4), (QStringList{"record", "kind", "index", "clock"}));
        QCOMPARE(heading.last(), incomplete ? "incomplete" : "overload");
        const qsizetype overloadCol = heading.indexOf(QStringLiteral("overload"));
        QList<measure::Key> keys;
        for (qsizetype c = 4; c < overloadCol; ++c) {
            const auto key = measure::keyNamed(heading[c].section(u' ', 0, 0));
            QVERIFY2(key, qPrintable(heading[c]));
            const QString unit = measure::keyInfo(*key).unit.toString();
            QCOMPARE(heading[c].section(u' ', 1), unit.isEmpty() ? "" : "[" + unit + "]");
            keys << *key;
        }
        QCOMPARE(keys, expectedKeys(stored));

        for (std::size_t r = 0; r < stored.size(); ++r) {
            const records::StoredRecord& record = stored[r];
            const QJsonArray row = rows[qsizetype(r) + 1].toArray();
            QCOMPARE(row.size(), heading.size());
            QCOMPARE(row[0].toString(), QString::number(record.number));
            QCOMPARE(row[1].toString(), QString::number(record.type));
            const bool hasIndex = record.reading && record.reading->hasIndex();
            QCOMPARE(row[2].toString(),
                     hasIndex ? QString::number(record.reading->index) : QString());
            QCOMPARE(row[3].toString(), clockText(record));
            for (qsizetype c = 4; c < overloadCol; ++c) {
                QString cell = row[c].toString();
                const measure::Quantity* q = quantity(record, keys[c - 4]);
                if (!q || !q->hasValue()) {
                    QVERIFY2(cell.isEmpty(), qPrintable(heading[c] + ": " + cell));
                    continue;
                }
                QVERIFY2(!cell.contains(semicolon ? u'.' : u','), qPrintable(cell));
                bool ok = false;
                QCOMPARE(cell.replace(u',', u'.').toDouble(&ok), q->value);
                QVERIFY(ok);
            }
            const QStringList overloadNames =
                row[overloadCol].toString().split(u' ', Qt::SkipEmptyParts);
            QCOMPARE(QSet<QString>(overloadNames.begin(), overloadNames.end()), overloaded(record));
            if (incomplete)
                QCOMPARE(row.last().toString(), QStringLiteral("true"));
        }
    }
};

QTEST_GUILESS_MAIN(TstAnalysisExports)
#include "tst_analysisexports.moc"
