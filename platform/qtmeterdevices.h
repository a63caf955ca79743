// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/meterdevices.h"

#include <QStringList>

namespace korvane::platform {

// The real port over the given devices (empty: the system's serial devices) and real timers.
// The port is Qt's on Linux, the Win32 one on Windows.
MeterDevices qtMeterDevices(const QStringList& devices);

} // namespace korvane::platform
