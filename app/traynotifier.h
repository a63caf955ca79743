// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "notify/notifier.h"

#include <QSystemTrayIcon>

#include <memory>

namespace korvane::app {

// Notifications as the tray icon's message, where the desktop has no notification service of
// the freedesktop kind (Windows). The icon appears with the first message and stays while the
// window lives; clicking the message or the icon brings the window to the front.
class TrayNotifier : public notify::Notifier
{
    Q_OBJECT
public:
    explicit TrayNotifier(QObject* parent = nullptr);

    bool available() const override;
    void notify(const QString& summary, const QString& body) override;

signals:
    void activated();

private:
    QSystemTrayIcon m_icon;
};

// The desktop's own notifications: its notification service on Linux, the tray on Windows.
std::unique_ptr<notify::Notifier> systemNotifier();

} // namespace korvane::app
