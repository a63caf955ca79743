#pragma once

#include "fakes/fakemeterdevices.h"
#include "session/metersession.h"

namespace korvane::testing {

// A meter session over fake devices, the fakes still at hand: the search, poll, supervision and
// dump-delay timers as find, com, con and read.
struct FakeSession
{
    fakes::FakeMeterDevices fake;
    fakes::FakeSerialPort& port = fake.port;
    fakes::FakeTimer& find = fake.search;
    fakes::FakeTimer& com = fake.poll;
    fakes::FakeTimer& con = fake.supervision;
    fakes::FakeTimer& read = fake.dumpDelay;
    session::MeterSession session{std::move(fake.devices)};

    // One 500 ms period; the order of ticks within a period does not matter to the link.
    void tick(int times = 1) { fake.tick(times); }
};

} // namespace korvane::testing
