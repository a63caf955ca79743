// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialport.h"
#include "platform/timer.h"

#include <QString>

#include <functional>
#include <memory>

namespace korvane::platform {

// What one meter connection is built from: its serial port (which knows its port table) and the
// link's four timers. Real ones come from qtMeterDevices(), fakes from fakes::FakeMeterDevices.
struct MeterDevices
{
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Timer> search;
    std::unique_ptr<Timer> poll;
    std::unique_ptr<Timer> supervision;
    std::unique_ptr<Timer> dumpDelay;
    // The USB serial number of the adapter behind a device, empty when there is none.
    std::function<QString(const QString& device)> serialNumberOf;
};

} // namespace korvane::platform
