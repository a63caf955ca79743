// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/desktopnotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace korvane::notify {

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : Notifier(parent), m_bus(std::move(bus))
{}

void DesktopNotifier::notify(const QString& summary, const QString& body)
{
    if (!available()) {
        emit failed(tr("no session bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Korvane") << uint(0) << QStringLiteral("io.github.korvane.Korvane")
         << summary << body << QStringList() << QVariantMap() << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isError())
                    emit failed(reply.error().message());
                else
                    emit delivered(reply.value());
                done->deleteLater();
            });
}

} // namespace korvane::notify
