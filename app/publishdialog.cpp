// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/publishdialog.h"

#include "app/statustexts.h"
#include "publish/brokeraddress.h"
#include "publish/mqttconnection.h"
#include "publish/settingfiles.h"
#include "publish/topics.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane::app {

PublishDialog::PublishDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Publish over MQTT"));
    m_enabled = new QCheckBox(tr("&Publish live readings"), this);
    m_broker = new QLineEdit(this);
    m_broker->setPlaceholderText(tr("HOST[:PORT], mqtt://HOST[:PORT] or mqtts://HOST[:PORT]"));
    m_prefix = new QLineEdit(this);
    m_prefix->setPlaceholderText(tr("korvane/<meter id>"));
    m_username = new QLineEdit(this);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    m_caFile = new QLineEdit(this);
    m_caFile->setPlaceholderText(tr("the system's certificate authorities"));
    m_chooseCa = new QPushButton(tr("C&hoose..."), this);
    m_chooseCa->setToolTip(tr("Choose the certificate authority's file (PEM)"));
    m_discovery = new QCheckBox(tr("Announce the readings to Home &Assistant"), this);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* caRow = new QHBoxLayout;
    caRow->addWidget(m_caFile, 1);
    caRow->addWidget(m_chooseCa);
    auto* form = new QFormLayout;
    form->addRow(tr("&Broker:"), m_broker);
    form->addRow(tr("&Topic prefix:"), m_prefix);
    form->addRow(tr("&User:"), m_username);
    form->addRow(tr("Pass&word:"), m_password);
    // A row holding a layout gives its label no buddy, so the shortcut needs one by hand.
    auto* caLabel = new QLabel(tr("CA &file (mqtts):"), this);
    caLabel->setBuddy(m_caFile);
    form->addRow(caLabel, caRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_test = buttons->addButton(tr("T&est connection"), QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addLayout(form);
    layout->addWidget(m_discovery);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PublishDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_test, &QPushButton::clicked, this, &PublishDialog::testConnection);
    connect(m_chooseCa, &QPushButton::clicked, this, &PublishDialog::chooseCaFile);
    // The broker's field, not the dialog, is sized for its placeholder: the labels beside it
    // take more room in some languages. The CA file's field shares its column.
    const QFontMetrics metrics = m_broker->fontMetrics();
    m_broker->setMinimumWidth(metrics.horizontalAdvance(m_broker->placeholderText()) +
                              metrics.averageCharWidth() * 4);
}

PublishDialog::~PublishDialog() = default;

QString PublishDialog::message() const
{
    return m_problem->text();
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
    m_testClient.reset();
    m_test->setEnabled(true);
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
    if (!m_enabled->isChecked() && !m_broker->text().trimmed().isEmpty()) {
        // A broker filled in but publishing off may be an oversight: ask, without waiting here.
        if (!m_startQuestion) {
            m_startQuestion = new QMessageBox(
                QMessageBox::Question, tr("Publish over MQTT"),
                tr("Publishing is off. Start publishing live readings to this broker?"),
                QMessageBox::NoButton, this);
            QPushButton* start =
                m_startQuestion->addButton(tr("Start publishing"), QMessageBox::AcceptRole);
            m_startQuestion->addButton(tr("Keep it off"), QMessageBox::RejectRole);
            connect(m_startQuestion, &QMessageBox::finished, this, [this, start] {
                if (m_startQuestion->clickedButton() == start)
                    m_enabled->setChecked(true);
                finishAccept();
            });
        }
        m_startQuestion->open();
        return;
    }
    finishAccept();
}

void PublishDialog::finishAccept()
{
    if (m_enabled->isChecked()) {
        const QString why = problem();
        if (!why.isEmpty()) {
            m_problem->setText(why);
            return;
        }
    }
    m_testClient.reset();
    emit settingsChosen(settings());
    accept();
}

void PublishDialog::chooseCaFile()
{
    if (!m_caDialog) {
        m_caDialog = new QFileDialog(this, tr("Certificate authority"));
        m_caDialog->setFileMode(QFileDialog::ExistingFile);
        m_caDialog->setNameFilters({tr("Certificates (*.pem *.crt *.cer)"), tr("All files (*)")});
        connect(m_caDialog, &QFileDialog::fileSelected, m_caFile, &QLineEdit::setText);
    }
    if (!m_caFile->text().isEmpty())
        m_caDialog->selectFile(m_caFile->text());
    // Not exec(): the program goes on while the file is chosen.
    m_caDialog->open();
}

void PublishDialog::testConnection()
{
    const QString why = problem();
    if (!why.isEmpty()) {
        m_problem->setText(why);
        return;
    }
    const PublishSettings s = settings();
    QString error;
    const auto broker = publish::BrokerAddress::parse(s.broker, &error);
    const QString hostPort = broker->host + u':' + QString::number(broker->port);
    // A client of its own, on its own thread: the dialog and the meter's link go on meanwhile.
    // It publishes nothing and leaves no will, so the meter's status topic stays as it is.
    m_testClient = std::make_unique<publish::MqttConnection>(
        *broker, publish::Credentials{QString(), s.username, s.password, s.caFile},
        publish::MqttConnection::Will{});
    connect(m_testClient.get(), &publish::MqttConnection::connected, this,
            [this, hostPort] { endTest(tr("%1 accepts the connection.").arg(hostPort)); });
    connect(m_testClient.get(), &publish::MqttConnection::disconnected, this,
            [this, hostPort](const publish::BrokerProblem& problem) {
                const QString reason = StatusTexts::brokerProblem(problem);
                endTest(problem.permanent() ? tr("%1 refuses: %2").arg(hostPort, reason)
                                            : tr("Cannot reach %1: %2").arg(hostPort, reason));
            });
    if (!m_testClient->start()) {
        endTest(m_testClient->error());
        return;
    }
    m_test->setEnabled(false);
    m_problem->setText(tr("Connecting to %1...").arg(hostPort));
}

void PublishDialog::endTest(const QString& message)
{
    m_problem->setText(message);
    m_test->setEnabled(true);
    // Deleted from the event loop: this may run inside the client's own signal.
    if (m_testClient) {
        m_testClient->finish(QString(), QByteArray(), 1000);
        m_testClient.release()->deleteLater();
    }
}

} // namespace korvane::app
