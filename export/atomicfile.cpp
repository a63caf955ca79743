// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/atomicfile.h"

#include <QSaveFile>

namespace korvane::exporting {

SaveResult writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return SaveResult::failure(path, QStringLiteral("no file name was given"));
    QSaveFile file(path);
    // Unbuffered, so a full disk shows in write() itself: QSaveFile commits a file whose
    // buffered tail failed to flush, which would replace the old file with a truncated one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return SaveResult::failure(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return SaveResult::failure(path, reason);
    }
    if (!file.commit())
        return SaveResult::failure(path, file.errorString());
    return SaveResult::success(path);
}

} // namespace korvane::exporting
