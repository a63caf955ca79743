// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/workbook.h"

#include "export/atomicfile.h"

#include <QDir>
#include <QTemporaryFile>

#include <xlsxwriter.h>

namespace korvane::exporting {

namespace {
QString lxwReason(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

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
    if (path.isEmpty())
        return SaveResult::failure(path, QStringLiteral("no file name was given"));
    // libxlsxwriter writes only to a file of its own, so the workbook is built in a private
    // temporary file (where its constant-memory mode keeps its rows anyway) and then saved like
    // every other file.
    QTemporaryFile temp(QDir(QDir::tempPath()).filePath(QStringLiteral("korvane-XXXXXX.xlsx")));
    if (!temp.open())
        return SaveResult::failure(path, temp.errorString());
    const QByteArray tempName = QFile::encodeName(temp.fileName());

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(tempName.constData(), &options);
    if (!workbook)
        return SaveResult::failure(path, QStringLiteral("the workbook could not be created"));
    const lxw_error written = writeCells(workbook, table);
    const lxw_error closed = workbook_close(workbook);
    if (written != LXW_NO_ERROR)
        return SaveResult::failure(path, lxwReason(written));
    if (closed != LXW_NO_ERROR)
        return SaveResult::failure(path, lxwReason(closed));

    QFile built(temp.fileName());
    if (!built.open(QIODevice::ReadOnly))
        return SaveResult::failure(path, built.errorString());
    const QByteArray bytes = built.readAll();
    if (bytes.size() != built.size())
        return SaveResult::failure(path, built.errorString());
    return writeFileAtomically(path, bytes);
}

} // namespace korvane::exporting
