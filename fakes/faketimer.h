// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/timer.h"

namespace korvane::fakes {

// A timer that ticks only when a test says so.
class FakeTimer : public platform::Timer
{
    Q_OBJECT
public:
    using platform::Timer::Timer;
    void start() override
    {
        m_active = true;
        ++m_starts;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    // One tick, delivered only while the timer runs, as a real timer would.
    void fire()
    {
        if (m_active)
            emit timeout();
    }
    int starts() const { return m_starts; }

private:
    bool m_active = false;
    int m_starts = 0;
};

} // namespace korvane::fakes
