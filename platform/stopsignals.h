// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace korvane::platform {

// SIGINT, SIGTERM and SIGHUP as a Qt signal, delivered from the event loop: the handler only
// writes a byte to a socket pair, so the program stops between two events, never in the middle
// of one. A second signal ends the program at once. SIGHUP stays ignored when it was at start
// (nohup). Also ignores SIGXFSZ and SIGPIPE, so a file over the size limit or a closed pipe
// fails its write instead of killing us. On Windows Ctrl+C, Ctrl+Break and closing the console
// do the same through the console's control handler.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace korvane::platform
