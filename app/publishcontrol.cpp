// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/publishcontrol.h"

#include "app/elidedlabel.h"
#include "app/publishdialog.h"
#include "app/statustexts.h"
#include "app/watchcontrol.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace korvane::app {

PublishControl::PublishControl(session::MeterSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_settings(PublishSettings::load())
{
    m_button = new QPushButton(tr("Publish..."), this);
    m_button->setToolTip(tr("Publish live readings to an MQTT broker"));
    m_status = new ElidedLabel(this);
    m_retry = new QPushButton(tr("Retry"), this);
    m_retry->setToolTip(tr("Try the broker again with the same settings"));
    m_retry->hide();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    layout->addWidget(m_status, 1);
    layout->addWidget(m_retry);
    connect(m_button, &QPushButton::clicked, this, &PublishControl::openDialog);
    connect(m_retry, &QPushButton::clicked, this, &PublishControl::restart);
    restart();
}

PublishControl::~PublishControl() = default;

QString PublishControl::statusText() const
{
    return m_status->fullText();
}

bool PublishControl::publishing() const
{
    using Phase = publish::PublishState::Phase;
    if (!m_publisher)
        return false;
    const Phase phase = m_publisher->state().phase;
    return phase != Phase::Stopped && phase != Phase::Failed;
}

void PublishControl::setWatch(WatchControl* watch)
{
    m_watch = watch;
    connect(watch, &WatchControl::rebuilt, this, [this] {
        if (m_publisher)
            restart();
    });
    if (m_publisher)
        restart();
}

void PublishControl::openDialog()
{
    if (!m_dialog) {
        m_dialog = new PublishDialog(this);
        connect(m_dialog, &PublishDialog::settingsChosen, this, &PublishControl::apply);
    }
    m_dialog->setSettings(m_settings);
    // Not exec(): the meter's link goes on while the settings are edited.
    m_dialog->open();
}

void PublishControl::apply(const PublishSettings& settings)
{
    m_settings = settings;
    QString error;
    if (!m_settings.save(&error)) {
        setStatus(error);
        return;
    }
    restart();
}

void PublishControl::restart()
{
    // The old client says goodbye on its own thread; nothing here waits for it.
    if (m_publisher)
        m_publisher->finish(1000);
    m_publisher.reset();
    m_retry->hide();
    if (!m_settings.enabled) {
        setStatus(StatusTexts::publishingOff());
        return;
    }
    if (!m_settings.passwordProblem.isEmpty()) {
        setStatus(tr("MQTT: %1").arg(m_settings.passwordProblem));
        return;
    }
    QString error;
    const auto broker = publish::BrokerAddress::parse(m_settings.broker, &error);
    if (!broker) {
        setStatus(tr("MQTT: %1").arg(error));
        return;
    }
    publish::PublishOptions options;
    options.broker = *broker;
    options.credentials = {QString(), m_settings.username, m_settings.password, m_settings.caFile};
    options.prefix = m_settings.prefix;
    options.haDiscovery = m_settings.haDiscovery;
    m_publisher = std::make_unique<publish::Publisher>(m_session, options);
    if (m_watch) {
        WatchControl* watch = m_watch;
        m_publisher->setDerived(watch->derivedColumns(), [watch](const measure::Reading& reading) {
            return watch->derivedFor(reading);
        });
        std::vector<publish::Publisher::AlarmTopic> alarms;
        QStringList derivedNow;
        QStringList alarmsNow;
        for (const datalog::DerivedColumn& column : watch->derivedColumns())
            derivedNow << column.name;
        for (const alarms::Rule& rule : watch->rules()) {
            alarms.push_back({rule.id, rule.text});
            alarmsNow << rule.id;
        }
        m_publisher->setAlarms(alarms);
        const auto gone = [](QStringList before, const QStringList& now) {
            before.removeIf([&now](const QString& name) { return now.contains(name); });
            return before;
        };
        m_publisher->setRetired(gone(m_announcedDerived, derivedNow),
                                gone(m_announcedAlarms, alarmsNow));
        m_announcedDerived = derivedNow + gone(m_announcedDerived, derivedNow);
        m_announcedAlarms = alarmsNow + gone(m_announcedAlarms, alarmsNow);
        publish::Publisher* publisher = m_publisher.get();
        connect(watch, &WatchControl::alarm, publisher,
                [publisher](const alarms::AlarmEvent& event) {
                    publisher->setAlarm(event.rule.id, event.state == alarms::AlarmState::Raised);
                });
    }
    const QString hostPort = broker->host + u':' + QString::number(broker->port);
    const auto show = [this, hostPort](const publish::PublishState& state) {
        const QString text = StatusTexts::publishing(state, hostPort);
        // The library's own words for the problem, in the tooltip: the line keeps the window's.
        m_status->setFullText(
            text, state.problem.detail.isEmpty() ? QString() : text + u'\n' + state.problem.detail);
        // Trying again would be refused the same way: the reason stays until Retry or new
        // settings.
        m_retry->setVisible(state.phase == publish::PublishState::Phase::Stopped);
    };
    connect(m_publisher.get(), &publish::Publisher::stateChanged, this, show);
    show(m_publisher->state());
}

void PublishControl::setStatus(const QString& text)
{
    m_status->setFullText(text);
}

} // namespace korvane::app
