// SPDX-License-Identifier: GPL-3.0-or-later
// The workbook read back by openpyxl: cell layout, texts, centring, empty cells. Failures and
// atomic replacement are in tst_savefailures.
#include "export/workbook.h"
#include "records/recdecode.h"
#include "support/framebuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using korvane::testing::FrameBuilder;

namespace {
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kReader = QStringLiteral(KORVANE_TEST_SOURCE_DIR "/read_workbook.py");

QJsonObject readBack(const QString& path)
{
    QProcess reader;
    reader.start(kPython, {kReader, path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        qFatal("openpyxl could not read the workbook: %s",
               reader.readAllStandardError().constData());
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

QJsonObject writeAndRead(const records::RecordTable& table)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Korvane.xlsx"));
    const exporting::SaveResult result = exporting::xlsexport(path, table);
    if (!result.ok)
        qFatal("%s", qPrintable(result.message()));
    return readBack(path);
}
} // namespace

class TstWorkbook : public QObject
{
    Q_OBJECT
private slots:
    void resetTableGivesFourteenCentredCells()
    {
        records::RecordTable table;
        records::gridinit(table);
        const QJsonObject book = writeAndRead(table);
        QCOMPARE(book["sheets"].toInt(), 1);
        QCOMPARE(book["rows"].toInt(), 2);
        QCOMPARE(book["columns"].toInt(), 7);
        const QJsonArray cells = book["cells"].toArray();
        QCOMPARE(cells.size(), 14);
        for (const QJsonValue& value : cells) {
            const QJsonArray cell = value.toArray();
            QCOMPARE(cell[3].toString(), QStringLiteral("center"));
            if (cell[0].toInt() == 1 && cell[1].toInt() == 1) {
                QCOMPARE(cell[2].toString(), QStringLiteral("NO."));
                QCOMPARE(cell[4].toString(), QStringLiteral("s"));
            } else {
                QVERIFY2(cell[2].isNull(), qPrintable(QJsonDocument(cell).toJson()));
            }
        }
    }

    void recordsFillRowsOneToTwoNAsTexts()
    {
        QByteArray dump = FrameBuilder(0, 0).q(2, 2305, 3).q(8, 1000, 1).frame() +
                          FrameBuilder(2).q(10, 1200).at(18, 1).frame() +
                          FrameBuilder(3, 0).q(8, 920, 1).bytes(17, {9, 5, 7}).frame();
        records::RecordTable table;
        records::gridinit(table);
        records::recdecode(table, dump, 3, 0);
        const QJsonObject book = writeAndRead(table);
        QCOMPARE(book["rows"].toInt(), 6);
        QCOMPARE(book["columns"].toInt(), 7);

        QMap<QPair<int, int>, QJsonValue> values;
        for (const QJsonValue& value : book["cells"].toArray()) {
            const QJsonArray cell = value.toArray();
            values[{cell[0].toInt(), cell[1].toInt()}] = cell[2];
            QCOMPARE(cell[3].toString(), QStringLiteral("center"));
        }
        for (int r = 0; r < table.rowCount(); ++r) {
            for (int c = 0; c < 7; ++c) {
                const QString expected = table.cell(r, c);
                const QJsonValue actual = values.value({r + 1, c + 1});
                if (expected.isEmpty())
                    QVERIFY(actual.isNull());
                else
                    QCOMPARE(actual.toString(), expected);
            }
        }
        QCOMPARE(values.value({4, 2}).toString(), QStringLiteral("120\u00B0"));
        QCOMPARE(values.value({2, 4}).toString(), QStringLiteral("1"));
        QCOMPARE(values.value({6, 7}).toString(), QStringLiteral("9:5:7"));
    }
};

QTEST_GUILESS_MAIN(TstWorkbook)
#include "tst_workbook.moc"
