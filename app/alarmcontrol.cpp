// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/alarmcontrol.h"

#include "alarms/rule.h"
#include "app/statustexts.h"
#include "notify/alarmcommand.h"
#include "notify/desktopnotifier.h"
#include "watch/sessionwatch.h"

#include <variant>

namespace korvane::app {

AlarmControl::AlarmControl(session::MeterSession& session, notify::DesktopNotifier& notifier,
                           QObject* parent)
    : QObject(parent), m_session(session), m_notifier(notifier)
{}

AlarmControl::~AlarmControl() = default;

void AlarmControl::setAlarms(const QList<AlarmSetting>& alarms)
{
    m_alarms = alarms;
    m_watch.reset();
    m_commands.clear();
    m_raised.clear();
    watch::WatchOptions options;
    for (const AlarmSetting& alarm : alarms) {
        const auto parsed = alarms::parseRule(alarm.rule);
        const auto* rule = std::get_if<alarms::Rule>(&parsed);
        if (!rule)
            continue;
        options.rules.push_back(*rule);
        if (const auto argv = notify::parseCommand(alarm.command)) {
            auto command = std::make_unique<notify::AlarmCommand>(*argv);
            connect(command.get(), &notify::AlarmCommand::ended, this,
                    [this](const notify::CommandOutcome& outcome) {
                        if (const QString text = StatusTexts::commandOutcome(outcome);
                            !text.isEmpty())
                            emit commandProblem(text);
                    });
            m_commands[rule->id] = std::move(command);
        }
    }
    if (!options.rules.empty()) {
        m_watch = std::make_unique<watch::SessionWatch>(m_session, std::move(options));
        connect(m_watch.get(), &watch::SessionWatch::alarm, this, &AlarmControl::onEvent);
    }
    emit changed();
}

void AlarmControl::onEvent(const alarms::AlarmEvent& event)
{
    const auto sameRule = [&event](const alarms::AlarmEvent& e) {
        return e.rule.id == event.rule.id;
    };
    m_raised.removeIf(sameRule);
    if (event.state == alarms::AlarmState::Raised)
        m_raised << event;
    m_recent << event;
    while (m_recent.size() > kRecentEvents)
        m_recent.removeFirst();
    if (m_notifier.available())
        m_notifier.notify(StatusTexts::alarmSummary(event), StatusTexts::alarmBody(event));
    if (const auto it = m_commands.find(event.rule.id); it != m_commands.end())
        it->second->run(event);
    emit changed();
}

} // namespace korvane::app
