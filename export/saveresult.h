// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::exporting {

// The outcome of a save: success, or the file and the reason, for a message the user can act on.
struct SaveResult
{
    bool ok = true;
    QString path;
    QString reason;

    static SaveResult success(const QString& file) { return {true, file, QString()}; }
    static SaveResult failure(const QString& file, const QString& why)
    {
        return {false, file, why};
    }

    QString message() const
    {
        return ok ? QString() : QStringLiteral("Could not save \"%1\": %2").arg(path, reason);
    }
};

} // namespace korvane::exporting
