// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/analysisworkbook.h"

#include "export/xlsxfile.h"

namespace korvane::exporting {

namespace {
using measure::Group;

// The finest step the meter shows for each kind of quantity.
const char* numberFormat(Group group)
{
    switch (group) {
    case Group::PowerFactor:
        return "0.000";
    case Group::Current:
    case Group::Frequency:
    case Group::Angle:
        return "0.0";
    case Group::Sequence:
        return "0";
    case Group::Voltage:
    case Group::Active:
    case Group::Reactive:
    case Group::Apparent:
        break;
    }
    return "0.00";
}

class SheetWriter
{
public:
    SheetWriter(lxw_workbook* workbook, std::span<const records::StoredRecord> stored,
                Download download)
        : m_workbook(workbook), m_stored(stored), m_columns(analysisColumns(stored, download))
    {}

    lxw_error write()
    {
        m_sheet = workbook_add_worksheet(m_workbook, nullptr);
        m_heading = workbook_add_format(m_workbook);
        m_whole = addNumberFormat("0");
        if (!m_sheet || !m_heading || !m_whole)
            return LXW_ERROR_MEMORY_MALLOC_FAILED;
        format_set_bold(m_heading);
        for (measure::Key key : m_columns.keys) {
            lxw_format* format = addNumberFormat(numberFormat(measure::keyInfo(key).group));
            if (!format)
                return LXW_ERROR_MEMORY_MALLOC_FAILED;
            m_keyFormats.push_back(format);
        }
        worksheet_freeze_panes(m_sheet, 1, 0);

        lxw_col_t col = 0;
        for (const QString& name : m_columns.headings())
            check(worksheet_write_string(m_sheet, 0, col++, name.toUtf8().constData(), m_heading));
        lxw_row_t row = 1;
        for (const records::StoredRecord& record : m_stored)
            writeRecord(row++, record);
        return m_error;
    }

private:
    lxw_format* addNumberFormat(const char* text)
    {
        lxw_format* format = workbook_add_format(m_workbook);
        if (format)
            format_set_num_format(format, text);
        return format;
    }

    void check(lxw_error error)
    {
        if (m_error == LXW_NO_ERROR)
            m_error = error;
    }

    void writeRecord(lxw_row_t row, const records::StoredRecord& record)
    {
        check(worksheet_write_number(m_sheet, row, 0, record.number, m_whole));
        check(worksheet_write_number(m_sheet, row, 1, record.type, m_whole));
        const lxw_col_t overloadCol = lxw_col_t(4 + m_columns.keys.size());
        if (record.reading) {
            const measure::Reading& reading = *record.reading;
            if (reading.hasIndex())
                check(worksheet_write_number(m_sheet, row, 2, reading.index, m_whole));
            if (reading.clock)
                check(worksheet_write_string(m_sheet, row, 3, clockCell(*reading.clock).constData(),
                                             nullptr));
            const QuantitiesByKey byKey = quantitiesByKey(reading);
            for (std::size_t i = 0; i < m_columns.keys.size(); ++i) {
                const measure::Quantity* q = byKey[std::size_t(m_columns.keys[i])];
                if (q && q->hasValue())
                    check(worksheet_write_number(m_sheet, row, lxw_col_t(4 + i), q->value,
                                                 m_keyFormats[i]));
            }
            const QByteArray overloaded = overloadCell(reading);
            if (!overloaded.isEmpty())
                check(worksheet_write_string(m_sheet, row, overloadCol, overloaded.constData(),
                                             nullptr));
        }
        if (m_columns.incomplete)
            check(worksheet_write_boolean(m_sheet, row, overloadCol + 1, 1, nullptr));
    }

    lxw_workbook* m_workbook;
    std::span<const records::StoredRecord> m_stored;
    AnalysisColumns m_columns;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_heading = nullptr;
    lxw_format* m_whole = nullptr;
    std::vector<lxw_format*> m_keyFormats;
    lxw_error m_error = LXW_NO_ERROR;
};
} // namespace

SaveResult saveAnalysisWorkbook(const QString& path, std::span<const records::StoredRecord> stored,
                                Download download)
{
    return saveXlsx(path, [&](lxw_workbook* workbook) {
        return SheetWriter(workbook, stored, download).write();
    });
}

} // namespace korvane::exporting
