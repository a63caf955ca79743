// SPDX-License-Identifier: GPL-3.0-or-later
// The table model over the record table: what views read, and that resets and downloads keep
// the model consistent (QAbstractItemModelTester). Decoding itself is in tst_recdecode.
#include "records/recordmodel.h"
#include "support/framebuilder.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace korvane::records;
using korvane::testing::FrameBuilder;

class TstRecordModel : public QObject
{
    Q_OBJECT
private slots:
    void startsInTheResetState()
    {
        RecordModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 7);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("NO."));
        QCOMPARE(model.index(1, 6).data().toString(), QString());
    }

    void cellsAreCentredAndFixedCellsAreMarked_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("fixed");
        QTest::newRow("corner") << 0 << 0 << true;
        QTest::newRow("first heading row") << 0 << 4 << true;
        QTest::newRow("fixed column of a value row") << 3 << 0 << true;
        QTest::newRow("plain cell") << 3 << 2 << false;
        QTest::newRow("later heading row is plain") << 2 << 1 << false;
    }
    void cellsAreCentredAndFixedCellsAreMarked()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, fixed);
        RecordModel model;
        model.recdecode(FrameBuilder(1).frame() + FrameBuilder(2).frame(), 2, 0);
        const QModelIndex index = model.index(row, column);
        QCOMPARE(index.data(RecordModel::FixedCellRole).toBool(), fixed);
        QCOMPARE(index.data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignCenter));
    }

    void downloadsAndClearsKeepTheModelConsistent()
    {
        RecordModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        QByteArray dump;
        for (int i = 0; i < 500; ++i)
            dump += FrameBuilder(quint8(i % 4), quint8(i % 5)).frame();
        QCOMPARE(model.recdecode(dump, 500, 0), 500);
        QCOMPARE(model.rowCount(), 1000);
        QCOMPARE(model.index(998, 0).data().toString(), QStringLiteral("NO:500"));
        QCOMPARE(model.index(999, 1).data().toString(), model.table().cell(999, 1));

        model.gridinit();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("NO."));
        QCOMPARE(resets.count(), 2);
    }

    // Records arriving a few at a time, as a dump comes: the view sees rows added below the old
    // ones only after the first record replaced the table, and the end is the whole dump's table.
    void recordsArrivingInPiecesEndAsTheWholeDump_data()
    {
        QTest::addColumn<int>("piece");
        QTest::newRow("one by one") << 1;
        QTest::newRow("seven at a time") << 7;
        QTest::newRow("all at once") << 40;
    }
    void recordsArrivingInPiecesEndAsTheWholeDump()
    {
        QFETCH(int, piece);
        QByteArray dump;
        for (int i = 0; i < 40; ++i)
            dump += FrameBuilder(quint8(i % 6), quint8(i % 5)).q(11, quint16(i), quint8(i % 9));
        RecordModel whole;
        whole.recdecode(FrameBuilder(2).frame().repeated(60), 60, 0);
        RecordModel model;
        model.recdecode(FrameBuilder(2).frame().repeated(60), 60, 0);
        whole.recdecode(dump, 40, 0);

        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        const auto records = storedRecords(dump, 40, 0);
        model.beginDownload();
        QCOMPARE(model.rowCount(), 120); // the old table until the first record
        for (std::size_t i = 0; i < records.size(); i += std::size_t(piece)) {
            const std::size_t n = std::min<std::size_t>(std::size_t(piece), records.size() - i);
            model.addRecords(std::span(records).subspan(i, n));
            QCOMPARE(model.rowCount(), 2 * int(i + n));
        }
        model.endDownload();
        QCOMPARE(model.table(), whole.table());
        QCOMPARE(resets.count(), 1); // the rest came as added rows
    }

    void indexesOutsideTheTableHaveNoData()
    {
        RecordModel model;
        QVERIFY(!model.index(2, 0).isValid());
        QVERIFY(!model.index(0, 7).isValid());
        QVERIFY(!model.data(QModelIndex()).isValid());
    }
};

QTEST_GUILESS_MAIN(TstRecordModel)
#include "tst_recordmodel.moc"
