// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace korvane::platform {

// SIGINT and SIGTERM as a Qt signal, delivered from the event loop: the handler only writes a
// byte to a socket pair, so the program stops between two events, never in the middle of one.
// A second signal ends the program at once. Also ignores SIGXFSZ, so a file over the size limit
// fails its write instead of killing us. Unix only; elsewhere it never fires.
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
