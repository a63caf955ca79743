// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialport.h"

#include <QMetaType>
#include <QString>

namespace korvane::link {

// One tick of the port search: which COM number was opened and how it went. Front ends put
// it into words ("COM3 Open", "COM12Unviable").
struct PortAttempt
{
    int port = 0;   // COM number, 1 to 16
    QString device; // the device behind it, empty when there is none
    platform::SerialPort::OpenError result = platform::SerialPort::OpenError::None;
    QString systemReason; // what the system said about a failed open, empty when nothing

    bool opened() const { return result == platform::SerialPort::OpenError::None; }
};

// Connected: the meter gave the handshake answer. Unconnected: the supervision found the line
// silent; said again every fifth silent tick while the search goes on.
enum class LinkState { Connected, Unconnected };

} // namespace korvane::link

Q_DECLARE_METATYPE(korvane::link::PortAttempt)
Q_DECLARE_METATYPE(korvane::link::LinkState)
