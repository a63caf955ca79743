// SPDX-License-Identifier: GPL-3.0-or-later
// recdecode: a dump of stored records into heading and value rows, and dumps that are short, empty
// or odd. Heading texts alone are in tst_recordtable.
#include "records/recdecode.h"
#include "records/storedrecord.h"
#include "support/framebuilder.h"

#include <QLocale>
#include <QTest>

using namespace korvane::records;
using korvane::testing::FrameBuilder;

namespace {
QStringList row(const RecordTable& table, int r)
{
    QStringList cells;
    for (int c = 0; c < RecordTable::kColumns; ++c)
        cells << table.cell(r, c);
    return cells;
}

RecordTable resetTable()
{
    RecordTable table;
    gridinit(table);
    return table;
}

// A table whose value row 1 holds marker texts, to see which cells a record leaves alone.
RecordTable markedTable()
{
    RecordTable table = resetTable();
    for (int c = 0; c < RecordTable::kColumns; ++c)
        table.setCell(1, c, QStringLiteral("m%1").arg(c));
    return table;
}
} // namespace

class TstRecDecode : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void valueRowOfOneRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QStringList>("values");

        QTest::newRow("phase voltage 0x05 0x09 range 3")
            << QByteArray(FrameBuilder(0, 0).bytes(2, {0x05, 0x09, 3}).q(8, 850, 1))
            << QStringList{"m0", "230.9V", "0A", "0.85", "0W", "0var", "0VA"};
        QTest::newRow("phase voltage 0x05 0x09 range 2")
            << QByteArray(FrameBuilder(0, 0).bytes(2, {0x05, 0x09, 2}).q(8, 850, 1))
            << QStringList{"m0", "23.09V", "0A", "0.85", "0W", "0var", "0VA"};
        QTest::newRow("current 125 range 0 and range 3, power codes")
            << QByteArray(FrameBuilder(0, 1)
                              .bytes(5, {0x7d, 0x00, 0})
                              .q(8, 850, 1)
                              .q(11, 1, 6)
                              .q(14, 7, 2)
                              .q(17, 12345, 3))
            << QStringList{"m0", "0V", "12.5A", "0.85", "OLkW", "7var", "123.45kVA"};
        QTest::newRow("record power factor negative for sign 0")
            << QByteArray(FrameBuilder(0, 0).bytes(8, {0x52, 0x03, 0}))
            << QStringList{"m0", "0V", "0A", "-0.85", "0W", "0var", "0VA"};
        QTest::newRow("record power factor negative for sign 2")
            << QByteArray(FrameBuilder(0, 0).bytes(8, {0x52, 0x03, 2}))
            << QStringList{"m0", "0V", "0A", "-0.85", "0W", "0var", "0VA"};
        QTest::newRow("record power factor negative for sign 255")
            << QByteArray(FrameBuilder(0, 0).bytes(8, {0x52, 0x03, 255}))
            << QStringList{"m0", "0V", "0A", "-0.85", "0W", "0var", "0VA"};
        QTest::newRow("undefined power codes leave their cells")
            << QByteArray(FrameBuilder(0, 0).q(8, 1, 1).q(11, 5, 7).q(14, 5, 99).q(17, 5, 255))
            << QStringList{"m0", "0V", "0A", "0.001", "m4", "m5", "m6"};
        QTest::newRow("totals rewrite columns 1 to 4 and empty 5 and 6")
            << QByteArray(FrameBuilder(0, 3)
                              .q(2, 2305, 3)
                              .q(5, 50, 3)
                              .q(8, 900, 1)
                              .q(11, 15, 4)
                              .q(14, 2, 2)
                              .q(17, 3, 5))
            << QStringList{"m0", "0.9", "1.5kW", "2var", "3kVA", "", ""};
        QTest::newRow("totals with undefined P code keep step A's current text")
            << QByteArray(
                   FrameBuilder(0, 3).q(5, 50, 3).q(8, 900, 1).q(11, 15, 8).q(14, 2, 2).q(17, 3, 5))
            << QStringList{"m0", "0.9", "50A", "2var", "3kVA", "", ""};
        QTest::newRow("type 3 W 1000 code 4 and time")
            << QByteArray(FrameBuilder(3, 1).q(8, 1000, 1).bytes(14, {0xe8, 0x03, 4, 9, 5, 7}))
            << QStringList{"m0", "0V", "0A", "1", "0W", "100kW", "9:5:7"};
        QTest::newRow("type 3 W 1000 code 2")
            << QByteArray(FrameBuilder(3, 1).q(8, 1000, 1).bytes(14, {0xe8, 0x03, 2}))
            << QStringList{"m0", "0V", "0A", "1", "0W", "1000W", "0:0:0"};
        QTest::newRow("type 3 W code 6 is whole kW, P code 6 is OL")
            << QByteArray(FrameBuilder(3, 0).q(8, 1000, 1).q(11, 9, 6).q(14, 15, 6))
            << QStringList{"m0", "0V", "0A", "1", "OLkW", "15kW", "0:0:0"};
        QTest::newRow("type 1 voltages start at position 1")
            << QByteArray(FrameBuilder(1, 0x05)
                              .bytes(2, {0x09, 0x03})
                              .q(4, 2200, 2)
                              .q(7, 2300, 3)
                              .q(10, 7, 3)
                              .bytes(13, {0xf4, 0x01}))
            << QStringList{"m0", "230.9V", "22V", "230V", "7A", "50Hz", ""};
        QTest::newRow("type 2 angles and sequence")
            << QByteArray(FrameBuilder(2)
                              .bytes(10, {0x08, 0x07})
                              .q(12, 1200)
                              .q(14, 2400)
                              .q(16, 5)
                              .at(18, 1))
            << QStringList{"m0", "180\u00B0", "120\u00B0", "240\u00B0", "0.5\u00B0", "normal", ""};
        QTest::newRow("type 2 undefined sequence leaves its cell")
            << QByteArray(FrameBuilder(2).bytes(10, {0x08, 0x07}).at(18, 5))
            << QStringList{"m0", "180\u00B0", "0\u00B0", "0\u00B0", "0\u00B0", "m5", ""};
        QTest::newRow("unknown type leaves the value row")
            << QByteArray(FrameBuilder(7, 1).q(2, 2305, 3))
            << QStringList{"m0", "m1", "m2", "m3", "m4", "m5", "m6"};
        QTest::newRow("high bytes read unsigned")
            << QByteArray(FrameBuilder(0, 0).q(2, 65535, 2).q(8, 40000, 1).q(11, 50000, 5))
            << QStringList{"m0", "655.35V", "0A", "40", "50000kW", "0var", "0VA"};
    }
    void valueRowOfOneRecord()
    {
        QFETCH(QByteArray, record);
        QFETCH(QStringList, values);
        RecordTable table = markedTable();
        QCOMPARE(recdecode(table, record, 1, 0), 1);
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(row(table, 1), values);
    }

    void twoRecordsFromAResetTable()
    {
        RecordTable table = resetTable();
        const QByteArray dump =
            FrameBuilder(1).q(13, 500).frame() + FrameBuilder(0, 2).q(2, 2300, 3).frame();
        QCOMPARE(recdecode(table, dump, 2, 0), 2);
        QCOMPARE(table.rowCount(), 4);
        QCOMPARE(row(table, 0), (QStringList{"NO:1", "U1", "U2", "U3", "I", "F", ""}));
        QCOMPARE(row(table, 1), (QStringList{"", "0V", "0V", "0V", "0A", "50Hz", ""}));
        QCOMPARE(row(table, 2), (QStringList{"NO:2", "U3", "I3", "PF3", "P3", "Q3", "S3"}));
        QCOMPARE(row(table, 3), (QStringList{"", "230V", "0A", "-0", "0W", "0var", "0VA"}));
    }

    void unknownTypeInTheMiddleDoesNotDisturbTheOthers()
    {
        RecordTable table = resetTable();
        const QByteArray dump = FrameBuilder(1).q(13, 500).frame() + FrameBuilder(7, 1).frame() +
                                FrameBuilder(2).at(18, 2).frame();
        QCOMPARE(recdecode(table, dump, 3, 0), 3);
        QCOMPARE(table.rowCount(), 6);
        QCOMPARE(row(table, 2), (QStringList{"NO:2", "", "", "", "", "", ""}));
        QCOMPARE(row(table, 3), (QStringList{"", "", "", "", "", "", ""}));
        QCOMPARE(row(table, 5).value(5), QStringLiteral("reverse"));
    }

    void secondDownloadResizesAndRewrites()
    {
        RecordTable table = resetTable();
        QByteArray forty;
        for (int i = 0; i < 40; ++i)
            forty += FrameBuilder(3, quint8(i)).frame();
        QCOMPARE(recdecode(table, forty, 40, 0), 40);
        QCOMPARE(table.rowCount(), 80);
        QCOMPARE(table.cell(78, 0), QStringLiteral("NO:40"));
        QCOMPARE(table.cell(78, 1), QStringLiteral("U40"));

        QByteArray three;
        for (int i = 0; i < 3; ++i)
            three += FrameBuilder(1).frame();
        QCOMPARE(recdecode(table, three, 3, 0), 3);
        QCOMPARE(table.rowCount(), 6);
        QCOMPARE(row(table, 4), (QStringList{"NO:3", "U1", "U2", "U3", "I", "F", ""}));
    }

    void onlyWholeRecordsAreDecoded_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("decoded");
        QTest::newRow("count 0 leaves the reset table") << 0 << 60 << 0;
        QTest::newRow("empty dump leaves the reset table") << 3 << 0 << 0;
        QTest::newRow("less than one record leaves the reset table") << 3 << 19 << 0;
        QTest::newRow("dump one byte short of three records") << 3 << 59 << 2;
        QTest::newRow("dump of two and a half records") << 5 << 50 << 2;
        QTest::newRow("bytes beyond the count are ignored") << 2 << 100 << 2;
        QTest::newRow("exact dump") << 3 << 60 << 3;
    }
    void onlyWholeRecordsAreDecoded()
    {
        QFETCH(int, count);
        QFETCH(int, bytes);
        QFETCH(int, decoded);
        QByteArray dump;
        for (int i = 0; i * 20 < bytes; ++i)
            dump += FrameBuilder(1).q(13, quint16(500 + i)).frame();
        dump.truncate(bytes);

        RecordTable table = resetTable();
        table.setRowCount(10);
        table.setCell(9, 6, QStringLiteral("old"));
        QCOMPARE(recdecode(table, dump, quint16(count), 0), decoded);
        if (decoded == 0) {
            RecordTable reset = resetTable();
            QCOMPARE(table, reset);
            return;
        }
        QCOMPARE(table.rowCount(), 2 * decoded);
        QCOMPARE(table.cell(2 * decoded - 1, 5),
                 QStringLiteral("%1Hz").arg((500 + decoded - 1) / 10.0));
    }

    void largestCountDecodesEveryRecord()
    {
        QByteArray dump;
        dump.reserve(65535 * 20);
        for (int i = 0; i < 65535; ++i)
            dump += FrameBuilder(0, 3).q(17, quint16(i), 2).frame();
        RecordTable table = resetTable();
        QCOMPARE(recdecode(table, dump, 65535, 0), 65535);
        QCOMPARE(table.rowCount(), 131070);
        QCOMPARE(table.cell(131068, 0), QStringLiteral("NO:65535"));
        QCOMPARE(table.cell(131069, 4), QStringLiteral("65534VA"));
    }

    // The dump as readings, before any text: what the files for analysis are made from.
    void dumpAsReadings_data()
    {
        QTest::addColumn<QByteArray>("dump");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("first");
        // Per record: number, type, then "-" for no reading, "=" for a reading alone, "+" for
        // a reading with its one-phase reading beneath.
        QTest::addColumn<QStringList>("records");
        const QByteArray undefinedTotalsP =
            FrameBuilder(0, 3).q(5, 50, 3).q(8, 900, 1).q(11, 15, 8).q(14, 2, 2).q(17, 3, 5);
        QTest::newRow("count 0") << QByteArray(FrameBuilder(1)) << 0 << 1 << QStringList{};
        QTest::newRow("short dump keeps whole records only")
            << QByteArray(FrameBuilder(1).frame() + FrameBuilder(2).frame() + "0123456789") << 3
            << 1 << QStringList{"1 1 =", "2 2 ="};
        QTest::newRow("unknown type keeps number and type")
            << QByteArray(FrameBuilder(0).frame() + FrameBuilder(9).frame()) << 2 << 1
            << QStringList{"1 0 =", "2 9 -"};
        QTest::newRow("totals with an undefined code read as one phase too")
            << undefinedTotalsP << 1 << 1 << QStringList{"1 0 +"};
        QTest::newRow("defined totals alone")
            << QByteArray(FrameBuilder(0, 3).q(11, 15, 4)) << 1 << 1 << QStringList{"1 0 ="};
        QTest::newRow("numbered from a later record")
            << QByteArray(FrameBuilder(3).frame() + FrameBuilder(1).frame()) << 2 << 41
            << QStringList{"41 3 =", "42 1 ="};
    }
    void dumpAsReadings()
    {
        QFETCH(QByteArray, dump);
        QFETCH(int, count);
        QFETCH(int, first);
        QFETCH(QStringList, records);
        QStringList got;
        for (const StoredRecord& record : storedRecords(dump, count, 7, first)) {
            const QString form = !record.reading   ? QStringLiteral("-")
                                 : record.onePhase ? QStringLiteral("+")
                                                   : QStringLiteral("=");
            got << QStringLiteral("%1 %2 %3").arg(record.number).arg(record.type).arg(form);
            if (record.reading)
                QCOMPARE(record.reading->receivedMs, qint64(7));
        }
        QCOMPARE(got, records);
    }
};

QTEST_GUILESS_MAIN(TstRecDecode)
#include "tst_recdecode.moc"
