// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/alarmevent.h"
#include "app/alarmsettings.h"
#include "app/energysettings.h"
#include "datalog/lineformat.h"
#include "energy/integrator.h"

#include <QObject>

#include <map>
#include <memory>

namespace korvane::notify {
class AlarmCommand;
class Notifier;
} // namespace korvane::notify
namespace korvane::session {
class MeterSession;
}
namespace korvane::watch {
class SessionWatch;
}

namespace korvane::app {

// The window's energy and alarms: one watch over the session while energy is on or any rule is
// set (a consumer of live readings, like a log). Energy and cost go into the trend store's
// derived series; each alarm event is told as a desktop notification and by its rule's command;
// the rules raised now and the latest events are kept for the banner and the Overview page.
// The log and publishing follow whatever watch there is through this object, so changing the
// settings never leaves them holding a watch that is gone.
class WatchControl : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRecentEvents = 5;

    // Made before any log or publisher over the session, so that the watch sees each reading
    // before they do.
    WatchControl(session::MeterSession& session, notify::Notifier& notifier, QString dataFolder,
                 QObject* parent = nullptr);
    ~WatchControl() override;

    // Watches these from now on; rules that do not read are left out (the dialog refuses them).
    void setAlarms(const QList<AlarmSetting>& alarms);
    const QList<AlarmSetting>& alarms() const { return m_alarms; }
    // Counts energy from now on, or stops; a tariff that cannot be read leaves the cost out and
    // says why in energyProblem().
    void setEnergy(const EnergySetting& setting);
    const EnergySetting& energy() const { return m_energy; }

    // The rules raised now, in the order they were raised.
    const QList<alarms::AlarmEvent>& raised() const { return m_raised; }
    // The latest events, newest last.
    const QList<alarms::AlarmEvent>& recent() const { return m_recent; }

    bool energyOn() const;
    // The totals since when, their cost now (with a tariff), why they stand still (if they do).
    const energy::Totals* totals() const;
    std::optional<double> costNow() const;
    QString currency() const;
    std::optional<energy::Idle> notAccumulating() const;
    // Energy is on but no meter has been found yet: the totals are not known.
    bool waitingForMeter() const;
    // The tariff could not be read, or the totals file: in the user's words.
    QString energyProblem() const { return m_energyProblem; }
    void resetEnergy();

    // For a log or publishing: the derived columns now, and a reading's values (none for a
    // column the watch no longer has).
    std::vector<datalog::DerivedColumn> derivedColumns() const;
    datalog::DerivedValues derivedFor(const measure::Reading& reading) const;
    std::vector<alarms::Rule> rules() const;

signals:
    // The raised rules or the latest events changed.
    void changed();
    // The totals, their state or the energy setting changed.
    void energyChanged();
    // The watch was made again from new settings: the derived columns and rules may differ.
    void rebuilt();
    void energyGap(const korvane::energy::Gap& gap);
    void alarm(const korvane::alarms::AlarmEvent& event);
    // A command could not run, or ended badly: in the user's words.
    void commandProblem(const QString& text);

private:
    void rebuild();
    void onEvent(const alarms::AlarmEvent& event);
    void addToTrend(const measure::Reading& reading);

    session::MeterSession& m_session;
    notify::Notifier& m_notifier;
    QString m_dataFolder;
    QList<AlarmSetting> m_alarms;
    EnergySetting m_energy;
    QString m_energyProblem;
    std::unique_ptr<watch::SessionWatch> m_watch;
    std::map<QString, std::unique_ptr<notify::AlarmCommand>> m_commands; // by rule id
    QList<alarms::AlarmEvent> m_raised;
    QList<alarms::AlarmEvent> m_recent;
};

} // namespace korvane::app
