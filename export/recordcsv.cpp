// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/recordcsv.h"

#include "datalog/fields.h"
#include "export/atomicfile.h"

namespace korvane::exporting {

QByteArray recordTableCsv(const records::RecordTable& table)
{
    QByteArray out("\xEF\xBB\xBF");
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int c = 0; c < records::RecordTable::kColumns; ++c) {
            if (c > 0)
                out += ',';
            datalog::appendCsvField(out, table.cell(row, c).toUtf8(), ',');
        }
        out += "\r\n";
    }
    return out;
}

SaveResult saveRecordCsv(const QString& path, const records::RecordTable& table)
{
    return writeFileAtomically(path, recordTableCsv(table));
}

} // namespace korvane::exporting
