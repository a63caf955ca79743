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
using exporting::Download;
using korvane::testing::FrameBuilder;
using Records = std::vector<records::StoredRecord>;
using Save = std::function<exporting::SaveResult(const QString&, const Records&, Download)>;
// A row read back, by heading; a cell's number, or none when it is empty.
using Row = QHash<QString, QJsonValue>;
using NumberOf = std::function<std::optional<double>(const QJsonValue&)>;

Q_DECLARE_METATYPE(Download)
Q_DECLARE_METATYPE(datalog::Dialect)
Q_DECLARE_METATYPE(Save)

namespace {
QJsonDocument python(const char* script, const QStringList& args)
{
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(KORVANE_TEST_SOURCE_DIR "/") + QLatin1String(script)} +
                     args);
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        qFatal("%s failed: %s", script, reader.readAllStandardError().constData());
    return QJsonDocument::fromJson(reader.readAllStandardOutput());
}

const measure::Quantity* quantity(const records::StoredRecord& record, measure::Key key)
{
    for (const measure::Quantity& q :
         record.reading ? record.reading->values() : std::span<const measure::Quantity>())
        if (q.key == key)
            return &q;
    return nullptr;
}

QSet<QString> overloaded(const records::StoredRecord& record)
{
    QSet<QString> names;
    for (int k = 0; k < measure::kKeyCount; ++k) {
        const measure::Quantity* q = quantity(record, measure::Key(k));
        if (q && q->state == measure::State::Overload)
            names << measure::keyInfo(q->key).name.toString();
    }
    return names;
}

// Checks the heading's key columns (only keys some record has, in key order) and one row.
void compareRow(const QStringList& heading, const Row& row, const records::StoredRecord& record,
                Download download, const NumberOf& number)
{
    QCOMPARE(heading.mid(0, 4), (QStringList{"record", "kind", "index", "clock"}));
    QCOMPARE(number(row["record"]), record.number);
    QCOMPARE(number(row["kind"]), record.type);
    const bool hasIndex = record.reading && record.reading->hasIndex();
    QCOMPARE(number(row["index"]),
             hasIndex ? std::optional<double>(record.reading->index) : std::nullopt);
    const auto clock = record.reading ? record.reading->clock : std::nullopt;
    QCOMPARE(row["clock"].toString(), clock ? QString::asprintf("%02d:%02d:%02d", clock->hours,
                                                                clock->minutes, clock->seconds)
                                            : QString());
    QSet<measure::Key> columns;
    for (const QString& name : heading) {
        const auto key = measure::keyNamed(name.section(u' ', 0, 0));
        if (!key)
            continue;
        const QString unit = measure::keyInfo(*key).unit.toString();
        QCOMPARE(name, unit.isEmpty() ? measure::keyInfo(*key).name
                                      : name.section(u' ', 0, 0) + " [" + unit + "]");
        const measure::Quantity* q = quantity(record, *key);
        QCOMPARE(number(row[name]), q && q->hasValue() ? std::optional(q->value) : std::nullopt);
        columns << *key;
    }
    for (int k = 0; k < measure::kKeyCount; ++k) // no quantity without its column
        QVERIFY(!quantity(record, measure::Key(k)) || columns.contains(measure::Key(k)));
    const QStringList names = row["overload"].toString().split(u' ', Qt::SkipEmptyParts);
    QCOMPARE(QSet<QString>(names.begin(), names.end()), overloaded(record));
    QCOMPARE(heading.last(), download == Download::Incomplete ? "incomplete" : "overload");
    if (download == Download::Incomplete)
        QVERIFY(row["incomplete"] == QJsonValue(true) || row["incomplete"] == QJsonValue("true"));
}

// Key columns in key order, each one some record has.
void compareKeyColumns(const QStringList& heading, const Records& stored)
{
    int last = -1;
    for (const QString& name : heading) {
        const auto key = measure::keyNamed(name.section(u' ', 0, 0));
        if (!key)
            continue;
        QVERIFY2(int(*key) > last, qPrintable(name));
        last = int(*key);
        QVERIFY2(std::any_of(stored.begin(), stored.end(),
                             [&](const records::StoredRecord& r) { return quantity(r, *key); }),
                 qPrintable(name));
    }
}
} // namespace

class TstAnalysisExports : public QObject
{
    Q_OBJECT

    Records m_stored;
    Download m_download = Download::Complete;
    QTemporaryDir m_dir;

    void fetchRecords()
    {
        QFETCH(QList<QByteArray>, frames);
        QFETCH(Download, download);
        m_stored.clear();
        for (const QByteArray& frame : frames)
            m_stored.push_back({int(m_stored.size()) + 1, quint8(frame[0]),
                                measure::decodeFrame(frame, measure::Source::Stored, 0)});
        m_download = download;
    }

    // The cases, once per dialect given (JSON Lines and the workbook have none).
    static void recordsTable(std::initializer_list<datalog::Dialect> dialects)
    {
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<Download>("download");
        QTest::addColumn<datalog::Dialect>("dialect");
        const QByteArray phase = FrameBuilder(0, 0).q(2, 2305, 3).q(5, 123, 0).q(8, 1000, 2);
        // P1 150 kW, Q1 an overload, S1 an undefined code.
        const QByteArray powers = FrameBuilder(0, 1).q(11, 1500, 4).q(14, 100, 6).q(17, 999, 9);
        const QByteArray totals =
            FrameBuilder(0, 3).q(8, 850, 2).q(11, 2000, 7).q(14, 100, 2).q(17, 2236, 5);
        const QByteArray voltages =
            FrameBuilder(1).q(1, 2301, 3).q(4, 2302, 3).q(7, 2303, 3).q(10, 50, 1).q(13, 500);
        const QByteArray angles =
            FrameBuilder(2).q(10, 1200).q(12, 2400).q(14, 0).q(16, 300).at(18, 1);
        const QByteArray type3 =
            FrameBuilder(3, 5).q(2, 2300, 3).q(11, 1234, 6).q(14, 500, 4).bytes(17, {9, 5, 7});
        for (datalog::Dialect dialect : dialects) {
            const char* suffix = dialect == datalog::Dialect::Comma ? "" : ", semicolon";
            const auto row = [&](const char* name) {
                return std::ref(QTest::addRow("%s%s", name, suffix));
            };
            row("every kind, overloads, a totals record with an undefined code").get()
                << QList<QByteArray>{phase, powers, totals, voltages, angles, type3}
                << Download::Complete << dialect;
            row("unknown record type").get() << QList<QByteArray>{FrameBuilder(9).frame(), phase}
                                             << Download::Complete << dialect;
            row("empty list").get() << QList<QByteArray>{} << Download::Complete << dialect;
            row("incomplete download").get()
                << QList<QByteArray>{powers, type3} << Download::Incomplete << dialect;
            row("incomplete, nothing received").get()
                << QList<QByteArray>{} << Download::Incomplete << dialect;
        }
    }

private slots:
    void csvReadsBackAsTheReadings_data()
    {
        recordsTable({datalog::Dialect::Comma, datalog::Dialect::Semicolon});
    }
    void csvReadsBackAsTheReadings()
    {
        fetchRecords();
        QFETCH(datalog::Dialect, dialect);
        const bool semicolon = dialect == datalog::Dialect::Semicolon;
        const QString path = m_dir.filePath(QStringLiteral("records.csv"));
        QVERIFY(exporting::saveAnalysisCsv(path, m_stored, m_download, dialect).ok);
        const QJsonArray rows =
            python("read_analysis_csv.py", {path, semicolon ? ";" : ","}).array();
        QCOMPARE(rows.size(), qsizetype(m_stored.size()) + 1);
        QStringList heading;
        for (const QJsonValue& name : rows[0].toArray())
            heading << name.toString();
        compareKeyColumns(heading, m_stored);
        const NumberOf number = [&](const QJsonValue& cell) -> std::optional<double> {
            QString text = cell.toString();
            if (text.isEmpty())
                return std::nullopt;
            bool ok = false;
            if (text.contains(semicolon ? u'.' : u','))
                return std::nullopt; // the other dialect's decimal point: reads as no number
            const double value = text.replace(u',', u'.').toDouble(&ok);
            return ok ? std::optional(value) : std::nullopt;
        };
        for (std::size_t r = 0; r < m_stored.size(); ++r) {
            const QJsonArray cells = rows[qsizetype(r) + 1].toArray();
            QCOMPARE(cells.size(), heading.size());
            Row row;
            for (qsizetype c = 0; c < heading.size(); ++c)
                row[heading[c]] = cells[c];
            compareRow(heading, row, m_stored[r], m_download, number);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void jsonLinesReadBackAsTheReadings_data() { recordsTable({datalog::Dialect::Comma}); }
    void jsonLinesReadBackAsTheReadings()
    {
        fetchRecords();
        QList<QByteArray> lines = exporting::analysisJsonl(m_stored, m_download).split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        if (m_download == Download::Incomplete)
            QCOMPARE(QJsonDocument::fromJson(lines.takeLast()).object(),
                     (QJsonObject{{"incomplete", true}, {"records", int(m_stored.size())}}));
        QCOMPARE(lines.size(), qsizetype(m_stored.size()));
        for (std::size_t r = 0; r < m_stored.size(); ++r) {
            const records::StoredRecord& record = m_stored[r];
            const QJsonObject object = QJsonDocument::fromJson(lines[qsizetype(r)]).object();
            QCOMPARE(object["record"].toInt(), record.number);
            QCOMPARE(object["kind"].toInt(), record.type);
            const QJsonObject values = object["values"].toObject();
            for (int k = 0; k < measure::kKeyCount; ++k) {
                const measure::Quantity* q = quantity(record, measure::Key(k));
                const QJsonValue value = values[measure::keyInfo(measure::Key(k)).name];
                QCOMPARE(value.isDouble(), q && q->hasValue());
                if (value.isDouble())
                    QCOMPARE(value.toDouble(), q->value);
            }
            QSet<QString> names;
            for (const QJsonValue& name : object["overload"].toArray())
                names << name.toString();
            QCOMPARE(names, overloaded(record));
        }
    }

    void workbookHoldsNumbersInTheCsvColumns_data() { recordsTable({datalog::Dialect::Comma}); }
    void workbookHoldsNumbersInTheCsvColumns()
    {
        fetchRecords();
        const QString csvPath = m_dir.filePath(QStringLiteral("records.csv"));
        const QString bookPath = m_dir.filePath(QStringLiteral("records.xlsx"));
        QVERIFY(
            exporting::saveAnalysisCsv(csvPath, m_stored, m_download, datalog::Dialect::Comma).ok);
        QVERIFY(exporting::saveAnalysisWorkbook(bookPath, m_stored, m_download).ok);
        QStringList heading; // the CSV's, which the workbook's first row must repeat
        for (const QJsonValue& name : python("read_analysis_csv.py", {csvPath, ","})[0].toArray())
            heading << name.toString();
        const QJsonObject book = python("read_workbook.py", {bookPath}).object();
        QCOMPARE(book["rows"].toInt(), int(m_stored.size()) + 1);
        QCOMPARE(book["columns"].toInt(), heading.size());
        QList<Row> rows(qsizetype(m_stored.size()) + 1);
        for (const QJsonValue& cell : book["cells"].toArray()) {
            const QJsonArray c = cell.toArray(); // row, column, value, alignment, type, format
            const bool quantityColumn =
                c[1].toInt() > 4 && c[1].toInt() <= heading.size() &&
                measure::keyNamed(heading[c[1].toInt() - 1].section(u' ', 0, 0));
            if (c[4] == "n" && !c[2].isNull() && quantityColumn)
                QVERIFY2(c[5] != "General", qPrintable(heading[c[1].toInt() - 1]));
            rows[c[0].toInt() - 1][heading.value(c[1].toInt() - 1)] = c[2];
        }
        for (qsizetype c = 0; c < heading.size(); ++c)
            QCOMPARE(rows[0][heading[c]].toString(), heading[c]);
        const NumberOf number = [](const QJsonValue& cell) -> std::optional<double> {
            return cell.isDouble() ? std::optional(cell.toDouble()) : std::nullopt;
        };
        for (std::size_t r = 0; r < m_stored.size(); ++r) {
            compareRow(heading, rows[qsizetype(r) + 1], m_stored[r], m_download, number);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void failedSaveNamesTheFileAndLeavesNone_data()
    {
        QTest::addColumn<Save>("save");
        QTest::newRow("csv") << Save([](const QString& path, const Records& r, Download d) {
            return exporting::saveAnalysisCsv(path, r, d, datalog::Dialect::Comma);
        });
        QTest::newRow("json lines") << Save(exporting::saveAnalysisJsonl);
        QTest::newRow("workbook") << Save(exporting::saveAnalysisWorkbook);
    }
    void failedSaveNamesTheFileAndLeavesNone()
    {
        QFETCH(Save, save);
        const QString path = m_dir.filePath(QStringLiteral("missing/records"));
        const Records stored{{1, 1,
                              measure::decodeFrame(FrameBuilder(1).q(1, 2301, 3).frame(),
                                                   measure::Source::Stored, 0)}};
        const exporting::SaveResult result = save(path, stored, Download::Complete);
        QVERIFY(!result.ok);
        QVERIFY(result.message().contains(path));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TstAnalysisExports)
#include "tst_analysisexports.moc"
