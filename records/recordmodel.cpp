// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/recordmodel.h"

#include "records/recdecode.h"
#include "records/tablefiller.h"

namespace korvane::records {

RecordModel::RecordModel(QObject* parent) : QAbstractTableModel(parent)
{
    records::gridinit(m_table);
}

RecordModel::~RecordModel() = default;

int RecordModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    // While a download writes over the table, only the rows of its records are shown.
    if (m_filler && m_filler->added() > 0)
        return 2 * m_filler->added();
    return m_table.rowCount();
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
    m_filler.reset();
    beginResetModel();
    records::gridinit(m_table);
    endResetModel();
}

int RecordModel::recdecode(QByteArrayView rxbuf, quint16 reccount, qint64 receivedMs)
{
    m_filler.reset();
    beginResetModel();
    const int decoded = records::recdecode(m_table, rxbuf, reccount, receivedMs);
    endResetModel();
    return decoded;
}

void RecordModel::beginDownload()
{
    m_filler = std::make_unique<TableFiller>(m_table);
}

void RecordModel::addRecords(std::span<const StoredRecord> records)
{
    if (!m_filler || records.empty())
        return;
    if (m_filler->added() == 0) {
        // The first record replaces the table: what was there goes as a whole.
        beginResetModel();
        m_filler->add(records.front());
        endResetModel();
        records = records.subspan(1);
        if (records.empty())
            return;
    }
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + 2 * int(records.size()) - 1);
    for (const StoredRecord& record : records)
        m_filler->add(record);
    endInsertRows();
}

void RecordModel::endDownload()
{
    if (m_filler)
        m_filler->finish();
    m_filler.reset();
}

} // namespace korvane::records
