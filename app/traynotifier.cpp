// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/traynotifier.h"

#include <QGuiApplication>

#ifndef Q_OS_WIN
#include "notify/desktopnotifier.h"
#endif

namespace korvane::app {

TrayNotifier::TrayNotifier(QObject* parent) : notify::Notifier(parent)
{
    m_icon.setIcon(QGuiApplication::windowIcon());
    m_icon.setToolTip(QStringLiteral("Korvane"));
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this, &TrayNotifier::activated);
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayNotifier::activated);
}

bool TrayNotifier::available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayNotifier::notify(const QString& summary, const QString& body)
{
    if (!m_icon.isVisible())
        m_icon.show();
    m_icon.showMessage(summary, body, QSystemTrayIcon::Warning);
}

std::unique_ptr<notify::Notifier> systemNotifier()
{
#ifdef Q_OS_WIN
    return std::make_unique<TrayNotifier>();
#else
    return std::make_unique<notify::DesktopNotifier>();
#endif
}

} // namespace korvane::app
