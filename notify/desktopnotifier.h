// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "notify/notifier.h"

#include <QDBusConnection>

namespace korvane::notify {

// Desktop notifications through org.freedesktop.Notifications. The call goes out
// asynchronously, so a slow or absent notification service never holds up the caller.
class DesktopNotifier : public Notifier
{
    Q_OBJECT
public:
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    // There is a session bus to send to.
    bool available() const override { return m_bus.isConnected(); }
    void notify(const QString& summary, const QString& body) override;

signals:
    // The service took the notification and gave it this id.
    void delivered(uint id);
    // No service, or it refused: the bus's reason.
    void failed(const QString& reason);

private:
    QDBusConnection m_bus;
};

} // namespace korvane::notify
