// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/eventwait.h"
#include "bench/procstats.h"
#include "session/metersession.h"

#include <chrono>
#include <cstdio>

namespace korvane::bench {

// Runs the event loop for the period and prints the whole process's CPU over it as a share of
// one core, with the live frames the session received meanwhile.
inline void printSessionCpu(session::MeterSession& session, std::chrono::seconds period,
                            const char* what)
{
    using Clock = std::chrono::steady_clock;
    int frames = 0;
    const auto counter =
        QObject::connect(&session, &session::MeterSession::readingReceived, [&] { ++frames; });
    const auto cpu0 = cpuTime();
    const auto wall0 = Clock::now();
    runEventLoopFor(period);
    const auto cpu = cpuTime() - cpu0;
    const auto wall = Clock::now() - wall0;
    QObject::disconnect(counter);
    const double share = 100.0 * std::chrono::duration<double>(cpu).count() /
                         std::chrono::duration<double>(wall).count();
    std::printf("cpu %-38s %7.2f %% of one core (%.0f ms in %.1f s, %d live frames shown)\n", what,
                share, std::chrono::duration<double, std::milli>(cpu).count(),
                std::chrono::duration<double>(wall).count(), frames);
    std::fflush(stdout);
}

} // namespace korvane::bench
