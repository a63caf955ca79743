// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes/fakemeterdevices.h"
#include "session/metersession.h"

namespace korvane::testing {

// A meter session over fake devices, the fakes still at hand.
struct FakeSession
{
    fakes::FakeMeterDevices fake;
    fakes::FakeSerialPort& port = fake.port;
    fakes::FakeTimer& search = fake.search;
    fakes::FakeTimer& poll = fake.poll;
    fakes::FakeTimer& supervision = fake.supervision;
    fakes::FakeTimer& dumpDelay = fake.dumpDelay;
    session::MeterSession session{std::move(fake.devices)};

    // One 500 ms period; the order of ticks within a period does not matter to the link.
    void tick(int times = 1) { fake.tick(times); }
};

} // namespace korvane::testing
