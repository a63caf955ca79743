// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/xlsxfile.h"

#include "export/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

namespace korvane::exporting {

SaveResult saveXlsx(const QString& path, const std::function<lxw_error(lxw_workbook*)>& fill)
{
    if (path.isEmpty())
        return SaveResult::failure(path, QStringLiteral("no file name was given"));
    QTemporaryFile temp(QDir(QDir::tempPath()).filePath(QStringLiteral("korvane-XXXXXX.xlsx")));
    if (!temp.open())
        return SaveResult::failure(path, temp.errorString());
    const QByteArray tempName = QFile::encodeName(temp.fileName());

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(tempName.constData(), &options);
    if (!workbook)
        return SaveResult::failure(path, QStringLiteral("the workbook could not be created"));
    const lxw_error written = fill(workbook);
    const lxw_error closed = workbook_close(workbook);
    if (written != LXW_NO_ERROR)
        return SaveResult::failure(path, QString::fromUtf8(lxw_strerror(written)));
    if (closed != LXW_NO_ERROR)
        return SaveResult::failure(path, QString::fromUtf8(lxw_strerror(closed)));

    QFile built(temp.fileName());
    if (!built.open(QIODevice::ReadOnly))
        return SaveResult::failure(path, built.errorString());
    const QByteArray bytes = built.readAll();
    if (bytes.size() != built.size())
        return SaveResult::failure(path, built.errorString());
    return writeFileAtomically(path, bytes);
}

} // namespace korvane::exporting
