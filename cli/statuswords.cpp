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

QString energyGapText(const energy::Gap& gap)
{
    const auto time = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
    };
    const QString energy = energy::energyKeyName(gap.key).toString();
    const QString power = measure::keyInfo(energy::powerKeyOf(gap.key)).name.toString();
    QString why;
    switch (gap.why) {
    case energy::GapReason::TooLong:
        why = QStringLiteral("no %1 for %2 s").arg(power).arg((gap.toMs - gap.fromMs) / 1000);
        break;
    case energy::GapReason::Overload:
        why = QStringLiteral("%1 in overload").arg(power);
        break;
    case energy::GapReason::TimeWentBack:
        why = QStringLiteral("the clock went back");
        break;
    }
    return QStringLiteral("energy gap: %1 from %2 to %3, %4")
        .arg(energy, time(gap.fromMs), time(gap.toMs), why);
}

} // namespace korvane::cli
