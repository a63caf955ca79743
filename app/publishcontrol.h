// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/publishsettings.h"
#include "publish/publisher.h"
#include "session/metersession.h"

#include <QWidget>

#include <memory>

class QPushButton;

namespace korvane::app {

class ElidedLabel;
class PublishDialog;
class WatchControl;

// Publishing over MQTT from the window: a button for the settings (remembered between runs)
// and the broker's state as text: off, connected, or retrying and why. Network events only
// change that text; they never open a box. A broker that refuses us for good (credentials, client
// id, its certificate) is not tried again until Retry is pressed or the settings change.
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
    // Shown once the broker has refused us for good.
    QPushButton* retryButton() const { return m_retry; }
    publish::Publisher* publisher() const { return m_publisher.get(); }
    // A publisher is there and still trying: not refused for good, not failed to start.
    bool publishing() const;
    // Energy, cost and alarm topics from the watch's settings; publishing starts again when
    // they change, so the broker's discovery matches them.
    void setWatch(WatchControl* watch);

private:
    void openDialog();
    void restart();

    void setStatus(const QString& text);

    session::MeterSession& m_session;
    PublishSettings m_settings;
    QPushButton* m_button = nullptr;
    ElidedLabel* m_status = nullptr;
    QPushButton* m_retry = nullptr;
    PublishDialog* m_dialog = nullptr;
    WatchControl* m_watch = nullptr;
    // Derived columns and alarm rules the publishers so far announced, so that the next one
    // clears those it no longer has.
    QStringList m_announcedDerived;
    QStringList m_announcedAlarms;
    std::unique_ptr<publish::Publisher> m_publisher;
};

} // namespace korvane::app
