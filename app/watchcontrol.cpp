// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/watchcontrol.h"

#include "alarms/rule.h"
#include "app/statustexts.h"
#include "notify/alarmcommand.h"
#include "notify/notifier.h"
#include "publish/topics.h"
#include "session/metersession.h"
#include "watch/sessionwatch.h"

#include <variant>

namespace korvane::app {

WatchControl::WatchControl(session::MeterSession& session, notify::Notifier& notifier,
                           QString dataFolder, QObject* parent)
    : QObject(parent), m_session(session), m_notifier(notifier), m_dataFolder(std::move(dataFolder))
{
    // Made before any log or publisher, this comes first for each reading, whatever watch there
    // is by then: the derived values they ask for include the reading.
    connect(&m_session, &session::MeterSession::readingReceived, this,
            [this](const measure::Reading& reading) {
                if (!m_watch)
                    return;
                m_watch->take(reading);
                addToTrend(reading);
            });
}

WatchControl::~WatchControl() = default;

void WatchControl::setAlarms(const QList<AlarmSetting>& alarms)
{
    m_alarms = alarms;
    rebuild();
}

void WatchControl::setEnergy(const EnergySetting& setting)
{
    m_energy = setting;
    rebuild();
}

void WatchControl::rebuild()
{
    // The watch going writes its totals and tells of a gap still open while the log listens.
    m_watch.reset();
    m_commands.clear();
    m_raised.clear();
    watch::WatchOptions options;
    for (const AlarmSetting& alarm : m_alarms) {
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
    options.energy = m_energy.on;
    EnergySettings::LoadedTariff loaded = EnergySettings::tariffOf(m_energy);
    options.tariff = std::move(loaded.tariff);
    m_energyProblem = loaded.problem;
    options.dataFolder = m_dataFolder;
    options.readingsFromCaller = true;
    options.meterIdOf = [this](const QString& device) {
        return publish::meterIdOf(device, m_session.serialNumberOf(device));
    };
    if (options.any()) {
        m_watch = std::make_unique<watch::SessionWatch>(m_session, std::move(options));
        connect(m_watch.get(), &watch::SessionWatch::alarm, this, &WatchControl::onEvent);
        connect(m_watch.get(), &watch::SessionWatch::energyGap, this, &WatchControl::energyGap);
        connect(m_watch.get(), &watch::SessionWatch::problem, this, [this](const QString& text) {
            m_energyProblem = StatusTexts::totalsProblem(text);
            emit energyChanged();
        });
    }
    emit rebuilt();
    emit energyChanged();
    // The new watch has raised nothing yet: a banner left up would never be cleared.
    emit changed();
}

bool WatchControl::energyOn() const
{
    return m_watch && m_watch->energyOn();
}

const energy::Totals* WatchControl::totals() const
{
    return energyOn() ? &m_watch->totals() : nullptr;
}

std::optional<double> WatchControl::costNow() const
{
    return m_watch ? m_watch->costNow() : std::nullopt;
}

QString WatchControl::currency() const
{
    const energy::Tariff* tariff = m_watch ? m_watch->tariff() : nullptr;
    return tariff ? tariff->currency : QString();
}

std::optional<energy::Idle> WatchControl::notAccumulating() const
{
    return m_watch ? m_watch->notAccumulating() : std::nullopt;
}

bool WatchControl::waitingForMeter() const
{
    return energyOn() && !m_watch->meterFound();
}

void WatchControl::resetEnergy()
{
    if (!energyOn())
        return;
    m_watch->resetEnergy();
    // The totals start again from zero: their lines in the trend must not fall to it.
    trend::TrendStore& store = m_session.trend();
    for (const datalog::DerivedColumn& column : m_watch->derivedColumns())
        store.derived(column.name, column.unit).breakLine();
    emit energyChanged();
}

std::vector<datalog::DerivedColumn> WatchControl::derivedColumns() const
{
    return m_watch ? m_watch->derivedColumns() : std::vector<datalog::DerivedColumn>{};
}

datalog::DerivedValues WatchControl::derivedFor(const measure::Reading& reading) const
{
    return m_watch ? m_watch->derivedFor(reading) : datalog::DerivedValues{};
}

std::vector<alarms::Rule> WatchControl::rules() const
{
    return m_watch ? m_watch->rules() : std::vector<alarms::Rule>{};
}

void WatchControl::addToTrend(const measure::Reading& reading)
{
    if (!energyOn())
        return;
    const std::vector<datalog::DerivedColumn> columns = m_watch->derivedColumns();
    const datalog::DerivedValues values = m_watch->derivedFor(reading);
    trend::TrendStore& store = m_session.trend();
    for (std::size_t i = 0; i < columns.size() && i < values.size(); ++i) {
        if (!values[i])
            continue;
        trend::Series& series = store.derived(columns[i].name, columns[i].unit);
        // As the meter's own lines: a silence ends the line rather than bridging it.
        if (series.size() > 0 &&
            reading.receivedMs - series.lastTime() > energy::kLongestInterval.count())
            series.breakLine();
        series.append(reading.receivedMs, float(*values[i]));
    }
    emit energyChanged();
}

void WatchControl::onEvent(const alarms::AlarmEvent& event)
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
    emit alarm(event);
    emit changed();
}

} // namespace korvane::app
