// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/savefolder.h"

#include <QDir>

namespace korvane::app {

QString defaultSaveFolder()
{
#ifdef Q_OS_WIN
    const QString folder = QStringLiteral("c:\\Korvane");
#else
    const QString folder = QDir::home().filePath(QStringLiteral("Korvane"));
#endif
    if (QDir().mkpath(folder))
        return folder;
    return QDir::homePath();
}

} // namespace korvane::app
