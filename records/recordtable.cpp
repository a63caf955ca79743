// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/recordtable.h"

namespace korvane::records {

namespace {
const QString kEmpty;
}

void RecordTable::setRowCount(int rows)
{
    m_rows = std::max(0, rows);
    m_cells.resize(std::size_t(m_rows) * kColumns);
}

bool RecordTable::contains(int row, int column) const
{
    return row >= 0 && row < m_rows && column >= 0 && column < kColumns;
}

const QString& RecordTable::cell(int row, int column) const
{
    if (!contains(row, column))
        return kEmpty;
    return m_cells[std::size_t(row) * kColumns + std::size_t(column)];
}

void RecordTable::setCell(int row, int column, QString text)
{
    if (!contains(row, column))
        return;
    m_cells[std::size_t(row) * kColumns + std::size_t(column)] = std::move(text);
}

void gridinit(RecordTable& table)
{
    table.setRowCount(2);
    for (int c = 0; c < RecordTable::kColumns; ++c) {
        for (int r = 0; r < 2; ++r)
            table.setCell(r, c, QString());
    }
    table.setCell(0, 0, QStringLiteral("NO."));
}

} // namespace korvane::records
