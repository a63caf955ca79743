// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/recordcsv.h"

#include "export/atomicfile.h"

namespace korvane::exporting {

namespace {
QString csvField(const QString& cell)
{
    const bool quote =
        cell.contains(u',') || cell.contains(u'"') || cell.contains(u'\r') || cell.contains(u'\n');
    if (!quote)
        return cell;
    return u'"' + QString(cell).replace(u'"', QStringLiteral("\"\"")) + u'"';
}
} // namespace

QByteArray recordTableCsv(const records::RecordTable& table)
{
    QString text;
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int c = 0; c < records::RecordTable::kColumns; ++c) {
            if (c > 0)
                text += u',';
            text += csvField(table.cell(row, c));
        }
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

SaveResult saveRecordCsv(const QString& path, const records::RecordTable& table)
{
    return writeFileAtomically(path, recordTableCsv(table));
}

} // namespace korvane::exporting
