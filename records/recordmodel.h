// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records/recordtable.h"

#include <QAbstractTableModel>
#include <QByteArrayView>

namespace korvane::records {

// The record table as a model: views read cells straight from the table, so tens of thousands
// of rows cost no copies. Row 0 and column 0 are the table's fixed (header) cells.
class RecordModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role { FixedCellRole = Qt::UserRole + 1 };

    explicit RecordModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const RecordTable& table() const { return m_table; }

    void gridinit();
    int recdecode(QByteArrayView rxbuf, quint16 reccount, qint64 receivedMs);

private:
    RecordTable m_table;
};

} // namespace korvane::records
