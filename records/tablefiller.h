// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records/recordtable.h"
#include "records/storedrecord.h"

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace korvane::records {

// Makes the record table from records as readings, the one place that does: two rows per record,
// heading row 2n - 2 ("NO:" n and the names of its quantities) and value row 2n - 1 (its values
// as the meter's display shows them). A download writes over the table it finds, in place:
// where a record leaves a cell undefined (the names and values of a type the meter does not
// define, the value of an undefined code, the value row's first column) the cell keeps the text
// the table had there, and beneath an undefined totals value the text of the same bytes read as
// one phase. Rows of the earlier table beyond the records written stay until finish().
class TableFiller
{
public:
    explicit TableFiller(RecordTable& table) : m_table(table) {}

    // Writes the next record's two rows.
    void add(const StoredRecord& record);
    // The download is over: the table ends with the last record written (none: as it was).
    void finish();
    int added() const { return m_added; }

private:
    const std::array<QString, measure::kLiveRows>& headingsOf(const measure::Reading& reading);

    RecordTable& m_table;
    int m_added = 0;
    // Heading texts repeat for every record of a kind: cells share them rather than hold copies.
    std::vector<std::optional<std::array<QString, measure::kLiveRows>>> m_headings =
        std::vector<std::optional<std::array<QString, measure::kLiveRows>>>(4 * 256);
};

// The table after a download of records over it; with no record it is reset as Clear leaves it.
void fillTable(RecordTable& table, std::span<const StoredRecord> records);

} // namespace korvane::records
