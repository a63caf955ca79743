// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/timer.h"

#include <QTimer>

namespace korvane::platform {

class QtTimer : public Timer
{
    Q_OBJECT
public:
    explicit QtTimer(std::chrono::milliseconds period = kTickPeriod, QObject* parent = nullptr);
    void start() override;
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace korvane::platform
