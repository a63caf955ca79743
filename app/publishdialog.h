// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/publishsettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace korvane::app {

// The MQTT settings, edited in a window of their own that does not block the program.
class PublishDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PublishDialog(QWidget* parent = nullptr);

    void setSettings(const PublishSettings& settings);
    PublishSettings settings() const;
    // Why the settings shown cannot be used, or nothing; OK is refused while there is one.
    QString problem() const;

signals:
    void settingsChosen(const korvane::app::PublishSettings& settings);

private:
    void tryAccept();

    QCheckBox* m_enabled = nullptr;
    QLineEdit* m_broker = nullptr;
    QLineEdit* m_prefix = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_caFile = nullptr;
    QCheckBox* m_discovery = nullptr;
    QLabel* m_problem = nullptr;
};

} // namespace korvane::app
