// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace korvane::records {

// Rows of seven text cells. Two rows per record: heading row 2n - 2, value row 2n - 1.
class RecordTable
{
public:
    static constexpr int kColumns = 7;

    int rowCount() const { return m_rows; }
    static constexpr int columnCount() { return kColumns; }

    // Rows that remain keep their texts, surplus rows disappear, added rows are empty.
    void setRowCount(int rows);

    // Out-of-range cells read as empty and ignore writes.
    const QString& cell(int row, int column) const;
    void setCell(int row, int column, QString text);

    bool operator==(const RecordTable& other) const = default;

private:
    bool contains(int row, int column) const;

    int m_rows = 0;
    std::vector<QString> m_cells;
};

// The reset state: two rows, seven columns, every cell empty but "NO." in the corner.
void gridinit(RecordTable& table);

} // namespace korvane::records
