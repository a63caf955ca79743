// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/publishdialog.h"

#include "publish/brokeraddress.h"
#include "publish/mqttconnection.h"
#include "publish/settingfiles.h"
#include "publish/topics.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace korvane::app {

PublishDialog::PublishDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Publish over MQTT"));
    m_enabled = new QCheckBox(QStringLiteral("Publish live readings"), this);
    m_broker = new QLineEdit(this);
    m_broker->setPlaceholderText(QStringLiteral("mqtt://HOST[:PORT] or mqtts://HOST[:PORT]"));
    m_prefix = new QLineEdit(this);
    m_prefix->setPlaceholderText(QStringLiteral("korvane/<meter id>"));
    m_username = new QLineEdit(this);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    m_caFile = new QLineEdit(this);
    m_caFile->setPlaceholderText(QStringLiteral("the system's certificate authorities"));
    m_discovery = new QCheckBox(QStringLiteral("Announce the readings to Home Assistant"), this);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Broker:"), m_broker);
    form->addRow(QStringLiteral("Topic prefix:"), m_prefix);
    form->addRow(QStringLiteral("User:"), m_username);
    form->addRow(QStringLiteral("Password:"), m_password);
    form->addRow(QStringLiteral("CA file (mqtts):"), m_caFile);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addLayout(form);
    layout->addWidget(m_discovery);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PublishDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PublishDialog::setSettings(const PublishSettings& s)
{
    m_enabled->setChecked(s.enabled);
    m_broker->setText(s.broker);
    m_prefix->setText(s.prefix);
    m_username->setText(s.username);
    m_password->setText(s.password);
    m_caFile->setText(s.caFile);
    m_discovery->setChecked(s.haDiscovery);
    m_problem->clear();
}

PublishSettings PublishDialog::settings() const
{
    PublishSettings s;
    s.enabled = m_enabled->isChecked();
    s.broker = m_broker->text().trimmed();
    s.prefix = m_prefix->text().trimmed();
    s.username = m_username->text();
    s.password = m_password->text();
    s.caFile = m_caFile->text().trimmed();
    s.haDiscovery = m_discovery->isChecked();
    return s;
}

// The same checks as korvane-cli's options: what would fail on every attempt is refused here.
QString PublishDialog::problem() const
{
    const PublishSettings s = settings();
    QString error;
    const auto broker = publish::BrokerAddress::parse(s.broker, &error);
    if (!broker)
        return error;
    if (!s.prefix.isEmpty()) {
        error = publish::prefixProblem(s.prefix);
        if (!error.isEmpty())
            return error;
    }
    if (broker->tls && !s.caFile.isEmpty()) {
        error = publish::certificateAuthorityProblem(s.caFile);
        if (!error.isEmpty())
            return tr("cannot use the CA file %1: %2").arg(s.caFile, error);
    }
    const QString prefix = s.prefix.isEmpty() ? QStringLiteral("korvane/meter") : s.prefix;
    return publish::MqttConnection::settingsProblem(
        *broker, {QString(), s.username, s.password, s.caFile}, prefix + QStringLiteral("/status"));
}

void PublishDialog::tryAccept()
{
    if (m_enabled->isChecked()) {
        const QString why = problem();
        if (!why.isEmpty()) {
            m_problem->setText(why);
            return;
        }
    }
    emit settingsChosen(settings());
    accept();
}

} // namespace korvane::app
