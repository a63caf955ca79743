// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records/recordtable.h"
#include "records/storedrecord.h"
#include "records/tablefiller.h"

#include <QAbstractTableModel>
#include <QByteArrayView>

#include <memory>
#include <span>

namespace korvane::records {

// The record table as a model: views read cells straight from the table, so tens of thousands
// of rows cost no copies. Row 0 and column 0 are the table's fixed (header) cells.
class RecordModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role { FixedCellRole = Qt::UserRole + 1 };

    explicit RecordModel(QObject* parent = nullptr);
    ~RecordModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // While a download writes over it, rows of the earlier table may follow the model's rows.
    const RecordTable& table() const { return m_table; }

    void gridinit();
    // A whole dump at once, as a download that ended would leave the table.
    int recdecode(QByteArrayView rxbuf, quint16 reccount, qint64 receivedMs);

    // A download over the table: the records' rows come as the records do, written over the
    // table in place (see TableFiller) and shown from the first of them on; until then, and
    // with none at all, the table stays as it was.
    void beginDownload();
    void addRecords(std::span<const StoredRecord> records);
    void endDownload();

private:
    RecordTable m_table;
    std::unique_ptr<TableFiller> m_filler;
};

} // namespace korvane::records
