// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/recordmodel.h"

#include "records/recdecode.h"

namespace korvane::records {

RecordModel::RecordModel(QObject* parent) : QAbstractTableModel(parent)
{
    records::gridinit(m_table);
}

int RecordModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.rowCount();
}

int RecordModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RecordTable::kColumns;
}

QVariant RecordModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_table.cell(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case FixedCellRole:
        return index.row() == 0 || index.column() == 0;
    default:
        return {};
    }
}

void RecordModel::gridinit()
{
    beginResetModel();
    records::gridinit(m_table);
    endResetModel();
}

int RecordModel::recdecode(QByteArrayView rxbuf, quint16 reccount, qint64 receivedMs)
{
    beginResetModel();
    const int decoded = records::recdecode(m_table, rxbuf, reccount, receivedMs);
    endResetModel();
    return decoded;
}

} // namespace korvane::records
