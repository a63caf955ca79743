// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/logfile.h"
#include "datalog/recorder.h"
#include "platform/messageboxes.h"
#include "platform/savedialog.h"
#include "session/metersession.h"

#include <QWidget>

#include <memory>

class QPushButton;

namespace korvane::app {

class ElidedLabel;
class WatchControl;

// Start and stop a CSV log of every live frame: the file is chosen when the log starts (the
// last choice offered again), its path and size shown while it runs, and why it stopped when a
// write fails, in a message too, so that it is seen from every tab. The link and the window go
// on whatever happens to the log.
class LogControl : public QWidget
{
    Q_OBJECT
public:
    LogControl(session::MeterSession& session, platform::SaveDialog& dialog,
               platform::MessageBoxes& messages, QWidget* parent = nullptr);
    ~LogControl() override;

    bool logging() const { return m_recorder && m_recorder->running(); }
    QString statusText() const;
    QPushButton* button() const { return m_button; }
    // Open log...: the window asks for the files.
    QPushButton* openButton() const { return m_open; }

    void start();
    void stop();
    // The file offered when the next log starts; empty: a dated name in the save folder.
    void setLastPath(const QString& path) { m_lastPath = path; }
    // A log started from now on carries the watch's energy columns, its gaps and alarm events.
    void setWatch(WatchControl* watch);

signals:
    void pathChosen(const QString& path);

private:
    void showProgress();
    void onFailed(const QString& message);
    void end();

    session::MeterSession& m_session;
    platform::SaveDialog& m_dialog;
    platform::MessageBoxes& m_messages;
    WatchControl* m_watch = nullptr;
    QPushButton* m_button = nullptr;
    QPushButton* m_open = nullptr;
    ElidedLabel* m_status = nullptr;
    QString m_lastPath;
    int m_lastFilter = 1;
    std::unique_ptr<datalog::LogFile> m_file;
    std::unique_ptr<datalog::Recorder> m_recorder;
};

} // namespace korvane::app
