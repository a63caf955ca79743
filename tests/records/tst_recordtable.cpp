// SPDX-License-Identifier: GPL-3.0-or-later
// The record table's reset (gridinit), its row-count rule and the heading rows of a download.
// Value rows are in tst_recdecode; the model over the table in tst_recordmodel.
#include "records/recdecode.h"
#include "records/recordtable.h"
#include "support/framebuilder.h"

#include <QTest>

using namespace korvane::records;

namespace {
QStringList row(const RecordTable& table, int r)
{
    QStringList cells;
    for (int c = 0; c < RecordTable::kColumns; ++c)
        cells << table.cell(r, c);
    return cells;
}

RecordTable filledTable(int rows)
{
    RecordTable table;
    table.setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < RecordTable::kColumns; ++c)
            table.setCell(r, c, QStringLiteral("old%1.%2").arg(r).arg(c));
    }
    return table;
}
} // namespace

class TstRecordTable : public QObject
{
    Q_OBJECT
private slots:
    void resetGivesTwoRowsWithNoInTheCorner_data()
    {
        QTest::addColumn<int>("rowsBefore");
        QTest::newRow("fresh table") << 0;
        QTest::newRow("after a download of 40 records") << 80;
        QTest::newRow("a single row") << 1;
    }
    void resetGivesTwoRowsWithNoInTheCorner()
    {
        QFETCH(int, rowsBefore);
        RecordTable table = filledTable(rowsBefore);
        gridinit(table);
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(table.columnCount(), 7);
        QCOMPARE(row(table, 0), (QStringList{"NO.", "", "", "", "", "", ""}));
        QCOMPARE(row(table, 1), (QStringList{"", "", "", "", "", "", ""}));
        QCOMPARE(table.cell(2, 0), QString());
    }

    void rowCountKeepsDropsOrAddsRows()
    {
        RecordTable table = filledTable(4);
        table.setRowCount(6);
        QCOMPARE(table.cell(3, 6), QStringLiteral("old3.6"));
        QCOMPARE(table.cell(5, 6), QString());
        table.setRowCount(2);
        table.setRowCount(4);
        QCOMPARE(table.cell(1, 1), QStringLiteral("old1.1"));
        QCOMPARE(table.cell(2, 0), QString());
    }

    void cellsOutsideTheTableReadEmptyAndIgnoreWrites()
    {
        RecordTable table = filledTable(2);
        table.setCell(2, 0, QStringLiteral("x"));
        table.setCell(0, 7, QStringLiteral("x"));
        table.setCell(-1, 0, QStringLiteral("x"));
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(table.cell(0, -1), QString());
        QCOMPARE(table.cell(2, 0), QString());
        QCOMPARE(row(table, 0).join(','),
                 QStringLiteral("old0.0,old0.1,old0.2,old0.3,old0.4,old0.5,old0.6"));
    }

    void headingRows_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("frametype");
        QTest::addColumn<int>("framesub");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("record 1 phase 1")
            << 1 << 0 << 0 << 0 << QStringList{"NO:1", "U1", "I1", "PF1", "P1", "Q1", "S1"};
        QTest::newRow("record 2 phase 3")
            << 2 << 0 << 2 << 2 << QStringList{"NO:2", "U3", "I3", "PF3", "P3", "Q3", "S3"};
        QTest::newRow("totals clear columns 5 and 6")
            << 3 << 0 << 3 << 4 << QStringList{"NO:3", "PF", "P", "Q", "S", "", ""};
        QTest::newRow("totals for any sub of 3 or more")
            << 3 << 0 << 200 << 4 << QStringList{"NO:3", "PF", "P", "Q", "S", "", ""};
        QTest::newRow("type 3 index 2")
            << 2 << 3 << 1 << 2 << QStringList{"NO:2", "U2", "I2", "PF2", "P2", "W2", "Time"};
        QTest::newRow("type 3 index 256")
            << 1 << 3 << 255 << 0
            << QStringList{"NO:1", "U256", "I256", "PF256", "P256", "W256", "Time"};
        QTest::newRow("type 1 ignores framesub")
            << 5 << 1 << 2 << 8 << QStringList{"NO:5", "U1", "U2", "U3", "I", "F", ""};
        QTest::newRow("type 2 with degree signs")
            << 4 << 2 << 0 << 6
            << QStringList{"NO:4", "U1\u00B0", "U2\u00B0", "U3\u00B0", "I\u00B0", "phase", ""};
        QTest::newRow("unknown type writes only the number")
            << 6 << 9 << 0 << 10 << QStringList{"NO:6",    "old10.1", "old10.2", "old10.3",
                                                "old10.4", "old10.5", "old10.6"};
        QTest::newRow("record 12 numbered without padding")
            << 12 << 1 << 0 << 22 << QStringList{"NO:12", "U1", "U2", "U3", "I", "F", ""};
    }
    void headingRows()
    {
        QFETCH(int, n);
        QFETCH(int, frametype);
        QFETCH(int, framesub);
        QFETCH(int, row);
        QFETCH(QStringList, cells);
        // Record n of a download over a table that had other texts in every cell.
        RecordTable table = filledTable(24);
        QByteArray dump;
        for (int i = 1; i < n; ++i)
            dump += korvane::testing::FrameBuilder(1).frame();
        dump += korvane::testing::FrameBuilder(quint8(frametype), quint8(framesub)).frame();
        QCOMPARE(recdecode(table, dump, quint16(n), 0), n);
        QCOMPARE(::row(table, row), cells);
    }
};

QTEST_GUILESS_MAIN(TstRecordTable)
#include "tst_recordtable.moc"
