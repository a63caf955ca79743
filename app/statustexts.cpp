// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/statustexts.h"

namespace korvane::app {

using OpenError = platform::SerialPort::OpenError;

QString StatusTexts::port(const link::PortAttempt& attempt)
{
    // Every failed open is a failure, whatever its kind.
    return attempt.opened() ? tr("COM%1 Open").arg(attempt.port)
                            : tr("COM%1Unviable").arg(attempt.port);
}

QString StatusTexts::portTip(const link::PortAttempt& attempt)
{
    QString tip = attempt.device.isEmpty() ? tr("no device") : attempt.device;
    switch (attempt.result) {
    case OpenError::PermissionDenied:
        tip += u'\n' + tr("Permission denied on %1: your account needs access to serial devices "
                          "(for example, join the dialout group with \"sudo usermod -aG dialout "
                          "$USER\", then log in again).")
                           .arg(attempt.device);
        break;
    case OpenError::Other:
        tip += u'\n' + tr("Cannot open %1: %2").arg(attempt.device, attempt.systemReason);
        break;
    default:
        break;
    }
    return tip;
}

QString StatusTexts::linkState(link::LinkState state)
{
    return state == link::LinkState::Connected ? tr("Connected") : tr("unconnected");
}

} // namespace korvane::app
