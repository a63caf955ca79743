// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace korvane::bench {

// Runs the event loop until the sender emits the signal or the timeout passes; true if it came.
template <typename Sender, typename Signal>
bool waitForSignal(const Sender* sender, Signal signal, std::chrono::milliseconds timeout)
{
    QEventLoop loop;
    bool emitted = false;
    QObject::connect(sender, signal, &loop, [&] {
        emitted = true;
        loop.quit();
    });
    QTimer::singleShot(timeout, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return emitted;
}

// Runs the event loop for this long, doing whatever the program does meanwhile.
inline void runEventLoopFor(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace korvane::bench
