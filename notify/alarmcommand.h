// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/alarmevent.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <chrono>
#include <optional>

class QProcess;

namespace korvane::notify {

// What became of one run of a command.
struct CommandOutcome
{
    enum class Kind { Exited, NotStarted, Crashed, TimedOut, Busy };
    Kind kind = Kind::Exited;
    int exitCode = 0;
    QString program;
    QString reason; // the system's words, for NotStarted and Crashed
};

// The words of a command line, split as a shell splits them (single and double quotes,
// backslashes), but never given to a shell; nullopt when a quote is left open or there is
// nothing to run.
std::optional<QStringList> parseCommand(const QString& text);

// argv with %key, %value, %state and %time replaced in every argument by the event's.
QStringList substituted(const QStringList& argv, const alarms::AlarmEvent& event);

// One rule's command. run() starts it and returns; the event loop watches it.
class AlarmCommand : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kTimeLimit{10'000};

    explicit AlarmCommand(QStringList argv, std::chrono::milliseconds limit = kTimeLimit,
                          QObject* parent = nullptr);
    ~AlarmCommand() override;

    const QStringList& argv() const { return m_argv; }
    void run(const alarms::AlarmEvent& event);
    bool running() const { return !m_process.isNull(); }

signals:
    void ended(const korvane::notify::CommandOutcome& outcome);

private:
    QStringList m_argv;
    std::chrono::milliseconds m_limit;
    QPointer<QProcess> m_process;
};

} // namespace korvane::notify

Q_DECLARE_METATYPE(korvane::notify::CommandOutcome)
