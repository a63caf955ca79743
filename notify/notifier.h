// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace korvane::notify {

// Where an alarm's notification goes: the desktop's notification service on Linux, the tray
// icon's message on Windows. The front end gives the words.
class Notifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // There is somewhere to send to.
    virtual bool available() const = 0;
    virtual void notify(const QString& summary, const QString& body) = 0;
};

} // namespace korvane::notify
