// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of the saved text files: live view, fixed-column record text and CSV. Failures and
// atomic replacement are in tst_savefailures; the workbook in tst_workbook.
#include "export/liveviewtext.h"
#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "measure/liveview.h"
#include "records/recdecode.h"
#include "support/framebuilder.h"

#include <QTest>

using namespace korvane;
using namespace korvane::exporting;
using korvane::testing::FrameBuilder;
using records::RecordTable;

namespace {
QByteArray blanks(int n)
{
    return QByteArray(n, ' ');
}

RecordTable resetTable()
{
    RecordTable table;
    records::gridinit(table);
    return table;
}

RecordTable tableOf(const QList<QStringList>& rows)
{
    RecordTable table;
    table.setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c)
            table.setCell(r, c, rows[r][c]);
    }
    return table;
}

LiveRowTexts toRow(const QStringList& list)
{
    LiveRowTexts row;
    for (int i = 0; i < measure::kLiveRows; ++i)
        row[i] = list.value(i);
    return row;
}
} // namespace

class TstTextFiles : public QObject
{
    Q_OBJECT
private slots:
    void recordTextByteForByte_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("reset table") << QList<QStringList>{{"NO."}, {}}
                                     << QByteArray("NO." + blanks(56) + "\r\n" + blanks(58));
        QTest::newRow("one type-1 record")
            << QList<QStringList>{{"NO:1", "U1", "U2", "U3", "I", "F", ""},
                                  {"", "230.9V", "22V", "230V", "7A", "50Hz", ""}}
            << QByteArray("NO:1" + blanks(15) + "U1" + blanks(18) + "U2" + blanks(18) + "U3" +
                          "\r\n" + blanks(18) + "230.9V" + blanks(14) + "22V" + blanks(17) +
                          "230V");
        QTest::newRow("columns 4 to 6 never written")
            << QList<QStringList>{{"a", "b", "c", "d", "PPP", "QQQ", "SSS"}}
            << QByteArray("a" + blanks(18) + "b" + blanks(19) + "c" + blanks(19) + "d");
        QTest::newRow("cell longer than the gap goes on a new line")
            << QList<QStringList>{{"NO:1", "a-very-long-heading-cell-text", "x", "y"}}
            << QByteArray("NO:1" + blanks(15) + "a-very-long-heading-cell-text" + "\r\n" +
                          blanks(39) + "x" + blanks(19) + "y");
        QTest::newRow("degree sign counts as one character")
            << QList<QStringList>{{"NO:4", "U1\u00B0", "U2\u00B0", "U3\u00B0"},
                                  {"", "120\u00B0", "0\u00B0", "240\u00B0"}}
            << QByteArray("NO:4" + blanks(15) + "U1\xC2\xB0" + blanks(17) + "U2\xC2\xB0" +
                          blanks(17) + "U3\xC2\xB0" + "\r\n" + blanks(18) + "120\xC2\xB0" +
                          blanks(16) + "0\xC2\xB0" + blanks(18) + "240\xC2\xB0");
        QTest::newRow("value row stops move left by its first cell")
            << QList<QStringList>{{"h"}, {"ab", "x", "y", "z"}}
            << QByteArray("h" + blanks(58) + "\r\n" + "ab" + blanks(14) + "x" + blanks(19) + "y" +
                          blanks(19) + "z");
        QTest::newRow("value row with a first cell past its stop")
            << QList<QStringList>{{"h"}, {QString(20, u'v'), "x"}}
            << QByteArray("h" + blanks(58) + "\r\n" + QByteArray(20, 'v') + "\r\n" + "x" +
                          blanks(17) + blanks(20));
    }
    void recordTextByteForByte()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QByteArray, expected);
        QCOMPARE(recordTableText(tableOf(rows)), expected);
    }

    void recordTextOfNRecordsHasTwoNLinesAndOneEndFewer_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("1") << 1;
        QTest::newRow("7") << 7;
        QTest::newRow("200") << 200;
    }
    void recordTextOfNRecordsHasTwoNLinesAndOneEndFewer()
    {
        QFETCH(int, records);
        QByteArray dump;
        for (int i = 0; i < records; ++i)
            dump += FrameBuilder(quint8(i % 4), quint8(i % 5)).q(2, 2305, 3).frame();
        RecordTable table = resetTable();
        records::recdecode(table, dump, quint16(records), 0);
        const QByteArray text = recordTableText(table);
        QCOMPARE(text.count("\r\n"), 2 * records - 1);
        QVERIFY(!text.endsWith("\r\n"));
        QCOMPARE(text.split('\n').size(), 2 * records);
        QVERIFY(text.startsWith("NO:1"));
    }

    void liveViewTextByteForByte_data()
    {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QByteArray>("expected");
        QStringList startCaptions, startValues;
        for (int i = 0; i < 6; ++i) {
            startCaptions << measure::kStartCaptions[i].toString();
            startValues << measure::kStartValues[i].toString();
        }
        QTest::newRow("start-up placeholders")
            << startCaptions << startValues
            << QByteArray(
                   "     U1 :     00.00V\r\n     I  :     000.0A\r\n     PF1:     1.000\r\n"
                   "     P1 :     00.00W\r\n     Q1 :     00.00var\r\n     S1 :     00.00VA\r\n");
        QTest::newRow("totals with two empty rows")
            << QStringList{"PF:", "P: ", "Q: ", "S: ", "", ""}
            << QStringList{"-0.5", "OLkW", "2var", "1000kVA", "", ""}
            << QByteArray("     PF:     -0.5\r\n     P:      OLkW\r\n     Q:      2var\r\n     S:  "
                          "    1000kVA\r\n" +
                          blanks(10) + "\r\n" + blanks(10) + "\r\n");
        QTest::newRow("angles in UTF-8")
            << QStringList{"U1\u00B0: ", "", "", "", "phase:", ""}
            << QStringList{"120\u00B0", "", "", "", "normal", ""}
            << QByteArray("     U1\xC2\xB0:      120\xC2\xB0\r\n" + blanks(10) + "\r\n" +
                          blanks(10) + "\r\n" + blanks(10) + "\r\n     phase:     normal\r\n" +
                          blanks(10) + "\r\n");
    }
    void liveViewTextByteForByte()
    {
        QFETCH(QStringList, captions);
        QFETCH(QStringList, values);
        QFETCH(QByteArray, expected);
        QCOMPARE(liveViewText(toRow(captions), toRow(values)), expected);
    }

    void csvQuotesOnlyWhatNeedsIt_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("reset table, all seven columns")
            << QList<QStringList>{{"NO."}, {}} << QByteArray("\xEF\xBB\xBFNO.,,,,,,\r\n,,,,,,\r\n");
        QTest::newRow("degree sign and plain texts")
            << QList<QStringList>{{"NO:1", "U1\u00B0", "-0.85", "OLkW", "", "", "9:5:7"}}
            << QByteArray("\xEF\xBB\xBFNO:1,U1\xC2\xB0,-0.85,OLkW,,,9:5:7\r\n");
        QTest::newRow("comma, quote and line break are quoted")
            << QList<QStringList>{{"a,b", "say \"hi\"", "two\nlines", "cr\r", "plain", "", ""}}
            << QByteArray(
                   "\xEF\xBB\xBF\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\r\",plain,,\r\n");
    }
    void csvQuotesOnlyWhatNeedsIt()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QByteArray, expected);
        QCOMPARE(recordTableCsv(tableOf(rows)), expected);
    }
};

QTEST_GUILESS_MAIN(TstTextFiles)
#include "tst_textfiles.moc"
