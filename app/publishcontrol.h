// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/publishsettings.h"
#include "publish/publisher.h"
#include "session/metersession.h"

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace korvane::app {

class PublishDialog;

// Publishing over MQTT from the window: a button for the settings (remembered between runs)
// and the broker's state as text: off, connected, or retrying and why. Network events only
// change that text; they never open a box.
class PublishControl : public QWidget
{
    Q_OBJECT
public:
    explicit PublishControl(session::MeterSession& session, QWidget* parent = nullptr);
    ~PublishControl() override;

    // Saves the settings and publishes with them, or stops when they say so.
    void apply(const PublishSettings& settings);
    const PublishSettings& settings() const { return m_settings; }
    QString statusText() const;
    QPushButton* button() const { return m_button; }
    publish::Publisher* publisher() const { return m_publisher.get(); }

private:
    void openDialog();
    void restart();
    void setStatus(const QString& text);

    session::MeterSession& m_session;
    PublishSettings m_settings;
    QPushButton* m_button = nullptr;
    QLabel* m_status = nullptr;
    PublishDialog* m_dialog = nullptr;
    std::unique_ptr<publish::Publisher> m_publisher;
};

} // namespace korvane::app
