// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes/fakemeterdevices.h"
#include "link/command.h"
#include "session/metersession.h"

#include <QByteArray>

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

    // The meter answers the handshake on COM1: ticks until the session is linked and searching
    // has stopped.
    void linkOn1()
    {
        port.setOpenResult(1, platform::SerialPort::OpenError::None);
        link::Link& link = session.meterLink();
        for (int i = 0; i < 40 && !(link.isLinked() && !search.isActive()); ++i) {
            tick();
            if (port.isOpen() && link.lastCommand() == link::kHandshake)
                port.feed(QByteArray::fromHex("d55555"));
        }
    }
};

} // namespace korvane::testing
