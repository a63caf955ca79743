// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/tablefiller.h"

#include "measure/readingtext.h"

#include <algorithm>

namespace korvane::records {

using measure::kLiveRows;

namespace {
constexpr quint8 kKnownTypes = 4;
constexpr int kOnePhaseColumns = 4;
} // namespace

const std::array<QString, kLiveRows>& TableFiller::headingsOf(const measure::Reading& reading)
{
    auto& cached = m_headings[std::size_t(reading.kind % kKnownTypes) * 256 + reading.index];
    if (!cached)
        cached = measure::headings(reading);
    return *cached;
}

void TableFiller::add(const StoredRecord& record)
{
    // Written over the table in place, record by record: a cell the record leaves undefined
    // still holds what was there, and no second table is kept meanwhile.
    ++m_added;
    const int heading = 2 * m_added - 2;
    const int values = heading + 1;
    if (m_table.rowCount() <= values)
        m_table.setRowCount(values + 1);

    m_table.setCell(heading, 0, QStringLiteral("NO:") + QString::number(m_added));
    if (!record.reading)
        return; // a type the meter does not define: only its number is known
    const auto& names = headingsOf(*record.reading);
    for (int c = 1; c <= kLiveRows; ++c)
        m_table.setCell(heading, c, names[std::size_t(c - 1)]);
    const auto texts = measure::valueTexts(*record.reading);
    const auto beneath = record.onePhase ? measure::valueTexts(*record.onePhase)
                                         : std::array<std::optional<QString>, kLiveRows>{};
    for (int c = 1; c <= kLiveRows; ++c) {
        const std::size_t i = std::size_t(c - 1);
        if (texts[i])
            m_table.setCell(values, c, *texts[i]);
        else if (c <= kOnePhaseColumns && beneath[i])
            m_table.setCell(values, c, *beneath[i]);
    }
}

void TableFiller::finish()
{
    // Rows of an earlier, longer table beyond the last record go.
    if (m_added > 0)
        m_table.setRowCount(2 * m_added);
}

void fillTable(RecordTable& table, std::span<const StoredRecord> records)
{
    if (records.empty()) {
        gridinit(table);
        return;
    }
    TableFiller filler(table);
    for (const StoredRecord& record : records)
        filler.add(record);
    filler.finish();
}

} // namespace korvane::records
