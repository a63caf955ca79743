// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/publishcontrol.h"

#include "app/publishdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace korvane::app {

PublishControl::PublishControl(session::MeterSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_settings(PublishSettings::load())
{
    m_button = new QPushButton(QStringLiteral("Publish..."), this);
    m_button->setToolTip(QStringLiteral("Publish live readings to an MQTT broker"));
    m_status = new QLabel(this);
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
    return m_status->text();
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
        setStatus(QStringLiteral("MQTT: off"));
        return;
    }
    if (!m_settings.passwordProblem.isEmpty()) {
        setStatus(QStringLiteral("MQTT: ") + m_settings.passwordProblem);
        return;
    }
    QString error;
    const auto broker = publish::BrokerAddress::parse(m_settings.broker, &error);
    if (!broker) {
        setStatus(QStringLiteral("MQTT: ") + error);
        return;
    }
    publish::PublishOptions options;
    options.broker = *broker;
    options.credentials = {QString(), m_settings.username, m_settings.password, m_settings.caFile};
    options.prefix = m_settings.prefix;
    options.haDiscovery = m_settings.haDiscovery;
    m_publisher = std::make_unique<publish::Publisher>(m_session, options);
    connect(m_publisher.get(), &publish::Publisher::statusChanged, this,
            &PublishControl::setStatus);
    connect(m_publisher.get(), &publish::Publisher::stopped, this, &PublishControl::onStopped);
    setStatus(m_publisher->statusText().isEmpty() ? QStringLiteral("broker: waiting for the meter")
                                                  : m_publisher->statusText());
}

// Trying again would be refused the same way: the reason stays shown until Retry or new settings.
void PublishControl::onStopped(const publish::BrokerProblem& problem)
{
    using Kind = publish::BrokerProblem::Kind;
    QString why;
    switch (problem.kind) {
    case Kind::CredentialsRefused:
        why = tr("the broker refuses the user name or password");
        break;
    case Kind::ClientIdRefused:
        why = tr("the broker refuses the client id");
        break;
    case Kind::ProtocolRefused:
        why = tr("the broker does not speak MQTT 3.1.1");
        break;
    case Kind::CertificateRejected:
        why = tr("the broker's certificate failed verification");
        break;
    case Kind::AuthorityUnusable:
        why = tr("the CA file could not be loaded");
        break;
    default:
        why = tr("the broker cannot be used");
        break;
    }
    if (!problem.detail.isEmpty())
        why += QStringLiteral(" (") + problem.detail + u')';
    setStatus(tr("MQTT stopped: %1").arg(why));
    m_retry->show();
}

void PublishControl::setStatus(const QString& text)
{
    m_status->setText(text);
}

} // namespace korvane::app
