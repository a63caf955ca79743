// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/publishsettings.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;

namespace korvane::publish {
class MqttConnection;
}

namespace korvane::app {

// The MQTT settings, edited in a window of their own that does not block the program.
class PublishDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PublishDialog(QWidget* parent = nullptr);
    ~PublishDialog() override;

    void setSettings(const PublishSettings& settings);
    PublishSettings settings() const;
    // Why the settings shown cannot be used, or nothing; OK is refused while there is one.
    QString problem() const;
    // Connects to the broker once with the settings shown and says how it went, in the dialog.
    void testConnection();
    // What the dialog says under the settings: a problem, or how the test went.
    QString message() const;
    QPushButton* testButton() const { return m_test; }
    QPushButton* chooseCaButton() const { return m_chooseCa; }

signals:
    void settingsChosen(const korvane::app::PublishSettings& settings);

private:
    void tryAccept();
    void finishAccept();
    void chooseCaFile();
    void endTest(const QString& message);

    QCheckBox* m_enabled = nullptr;
    QLineEdit* m_broker = nullptr;
    QLineEdit* m_prefix = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_caFile = nullptr;
    QCheckBox* m_discovery = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_test = nullptr;
    QPushButton* m_chooseCa = nullptr;
    QFileDialog* m_caDialog = nullptr;
    QMessageBox* m_startQuestion = nullptr;
    std::unique_ptr<publish::MqttConnection> m_testClient;
};

} // namespace korvane::app
