// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes/fakeserialport.h"
#include "fakes/faketimer.h"
#include "platform/meterdevices.h"

namespace korvane::fakes {

// Fake devices for one session; the references stay valid while the session that took the
// devices lives.
struct FakeMeterDevices
{
    platform::MeterDevices devices{
        std::make_unique<FakeSerialPort>(), std::make_unique<FakeTimer>(),
        std::make_unique<FakeTimer>(),      std::make_unique<FakeTimer>(),
        std::make_unique<FakeTimer>(),      {}};
    FakeSerialPort& port = static_cast<FakeSerialPort&>(*devices.port);
    FakeTimer& search = static_cast<FakeTimer&>(*devices.search);
    FakeTimer& poll = static_cast<FakeTimer&>(*devices.poll);
    FakeTimer& supervision = static_cast<FakeTimer&>(*devices.supervision);
    FakeTimer& dumpDelay = static_cast<FakeTimer&>(*devices.dumpDelay);

    // One 500 ms period; the order of ticks within a period does not matter to the link.
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            search.fire();
            poll.fire();
            supervision.fire();
            dumpDelay.fire();
        }
    }
};

} // namespace korvane::fakes
