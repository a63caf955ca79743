// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <chrono>

namespace korvane::platform {

inline constexpr std::chrono::milliseconds kTickPeriod{500};

// A periodic timer whose ticks arrive on the event thread. Starting a running timer keeps its
// phase, so a timer that is started again and again still ticks every period.
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};

} // namespace korvane::platform
