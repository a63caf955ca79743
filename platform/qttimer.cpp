// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qttimer.h"

namespace korvane::platform {

QtTimer::QtTimer(std::chrono::milliseconds period, QObject* parent) : Timer(parent)
{
    m_timer.setInterval(period);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
}

void QtTimer::start()
{
    if (!m_timer.isActive())
        m_timer.start();
}

} // namespace korvane::platform
