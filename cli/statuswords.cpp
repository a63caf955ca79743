// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/statuswords.h"

#include "measure/quantity.h"

#include <QDateTime>

namespace korvane::cli {

using OpenError = platform::SerialPort::OpenError;

QString portStatusText(const link::PortAttempt& attempt)
{
    // Every failed open is a failure, whatever its kind.
    return QStringLiteral("COM") + QString::number(attempt.port) +
           (attempt.opened() ? QStringLiteral(" Open") : QStringLiteral("Unviable"));
}

QString portProblemText(const link::PortAttempt& attempt)
{
    switch (attempt.result) {
    case OpenError::PermissionDenied:
        return QStringLiteral("Permission denied on %1: your account needs access to serial "
                              "devices (for example, join the dialout group with "
                              "\"sudo usermod -aG dialout $USER\", then log in again).")
            .arg(attempt.device);
    case OpenError::Other:
        return QStringLiteral("Cannot open %1: %2").arg(attempt.device, attempt.systemReason);
    default:
        return QString();
    }
}

QString linkStateText(link::LinkState state)
{
    return state == link::LinkState::Connected ? QStringLiteral("Connected")
                                               : QStringLiteral("unconnected");
}

QString downloadProgressText(int records, int count, std::optional<std::chrono::milliseconds> left)
{
    QString text = QStringLiteral("records %1 of %2").arg(records).arg(count);
    if (left) {
        const qint64 seconds = std::max<qint64>(1, (left->count() + 999) / 1000);
        text += seconds < 120 ? QStringLiteral(", about %1 s left").arg(seconds)
                              : QStringLiteral(", about %1 min left").arg((seconds + 59) / 60);
    }
    return text;
}

} // namespace korvane::cli
