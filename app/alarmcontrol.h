// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/alarmevent.h"
#include "app/alarmsettings.h"

#include <QObject>

#include <map>
#include <memory>

namespace korvane::notify {
class AlarmCommand;
class DesktopNotifier;
} // namespace korvane::notify
namespace korvane::session {
class MeterSession;
}
namespace korvane::watch {
class SessionWatch;
}

namespace korvane::app {

// The window's alarms: the rules chosen in the Alarms dialog, watched over the session while
// there are any (a consumer of live readings, like a log); each event told as a desktop
// notification and by its rule's command, the rules raised now and the latest events kept for
// the banner and the Overview page.
class AlarmControl : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRecentEvents = 5;

    AlarmControl(session::MeterSession& session, notify::DesktopNotifier& notifier,
                 QObject* parent = nullptr);
    ~AlarmControl() override;

    // Watches these from now on; rules that do not read are left out (the dialog refuses them).
    void setAlarms(const QList<AlarmSetting>& alarms);
    const QList<AlarmSetting>& alarms() const { return m_alarms; }

    // The rules raised now, in the order they were raised.
    const QList<alarms::AlarmEvent>& raised() const { return m_raised; }
    // The latest events, newest last.
    const QList<alarms::AlarmEvent>& recent() const { return m_recent; }

signals:
    // The raised rules or the latest events changed.
    void changed();
    // A command could not run, or ended badly: in the user's words.
    void commandProblem(const QString& text);

private:
    void onEvent(const alarms::AlarmEvent& event);

    session::MeterSession& m_session;
    notify::DesktopNotifier& m_notifier;
    QList<AlarmSetting> m_alarms;
    std::unique_ptr<watch::SessionWatch> m_watch;
    std::map<QString, std::unique_ptr<notify::AlarmCommand>> m_commands; // by rule id
    QList<alarms::AlarmEvent> m_raised;
    QList<alarms::AlarmEvent> m_recent;
};

} // namespace korvane::app
