// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtmeterdevices.h"

#include "platform/porttable.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"

namespace korvane::platform {

MeterDevices qtMeterDevices(const QStringList& devices)
{
    return {std::make_unique<QtSerialPort>(PortTable(devices)),
            std::make_unique<QtTimer>(),
            std::make_unique<QtTimer>(),
            std::make_unique<QtTimer>(),
            std::make_unique<QtTimer>(),
            serialNumberOf};
}

} // namespace korvane::platform
