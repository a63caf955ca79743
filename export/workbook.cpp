// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/workbook.h"

#include "export/xlsxfile.h"

namespace korvane::exporting {

namespace {
// Fills the workbook row by row, which lets libxlsxwriter stream rows to disk.
lxw_error writeCells(lxw_workbook* workbook, const records::RecordTable& table)
{
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format* centred = workbook_add_format(workbook);
    if (!sheet || !centred)
        return LXW_ERROR_MEMORY_MALLOC_FAILED;
    format_set_align(centred, LXW_ALIGN_CENTER);
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < records::RecordTable::kColumns; ++c) {
            const QByteArray text = table.cell(r, c).toUtf8();
            const lxw_error error = worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                                           text.constData(), centred);
            if (error != LXW_NO_ERROR)
                return error;
        }
    }
    return LXW_NO_ERROR;
}
} // namespace

SaveResult xlsexport(const QString& path, const records::RecordTable& table)
{
    return saveXlsx(path, [&table](lxw_workbook* workbook) { return writeCells(workbook, table); });
}

} // namespace korvane::exporting
