// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtmeterdevices.h"

#include "platform/porttable.h"
#ifdef Q_OS_WIN
#include "platform/win32serialport.h"
#else
#include "platform/qtserialport.h"
#endif
#include "platform/qttimer.h"

namespace korvane::platform {

#ifdef Q_OS_WIN
using SystemSerialPort = Win32SerialPort;
#else
using SystemSerialPort = QtSerialPort;
#endif

MeterDevices qtMeterDevices(const QStringList& devices)
{
    return {std::make_unique<SystemSerialPort>(PortTable(devices)),
            std::make_unique<QtTimer>(),
            std::make_unique<QtTimer>(),
            std::make_unique<QtTimer>(),
            std::make_unique<QtTimer>(),
            serialNumberOf};
}

} // namespace korvane::platform
