// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/lineformat.h"
#include "datalog/logfile.h"
#include "datalog/recorder.h"
#include "publish/publisher.h"
#include "session/metersession.h"
#include "watch/sessionwatch.h"

#include <QObject>

#include <cstdio>
#include <memory>

namespace korvane::cli {

enum ExitCode {
    kExitDone = 0,
    kExitUsage = 2,
    kExitNoMeter = 3,
    kExitIncomplete = 4,
    kExitSaveFailed = 5,
    kExitBrokerRefused = 6, // for good: credentials, client id, certificate
    kExitLogUnreadable = 7, // report: a log cannot be read, or holds no readings
};

// Files the records command writes the table to; with none it prints the table.
struct SaveTargets
{
    QString text;
    QString xlsx;
    QString csv;
    bool any() const { return !text.isEmpty() || !xlsx.isEmpty() || !csv.isEmpty(); }
};

// What the live command writes: frames or interval statistics to stdout in one format, and
// optionally every frame to a CSV log.
struct LiveOutput
{
    datalog::Format format = datalog::Format::Tsv;
    datalog::Dialect dialect = datalog::Dialect::Comma;
    QString logPath;
    qint64 intervalMs = 0; // 0: frames, not statistics
};

// Status texts go to stderr, one per line, as they change.
class StderrStatus
{
public:
    void setPortStatus(const QString& text, const QString& problem);
    void setLinkStatus(const QString& text);

private:
    QString m_port;
    QString m_problem;
    QString m_link;
};

void printLine(std::FILE* stream, const QString& line);

// The link as the window runs it, without a window: searches, connects, then prints or
// publishes live frames, or downloads the records once. finished() carries the exit code.
class CliSession : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Live, Records, Publish };

    CliSession(Mode mode, QStringList ports, int frames, SaveTargets saves = {},
               LiveOutput live = {}, publish::PublishOptions publishing = {},
               watch::WatchOptions watching = {}, QObject* parent = nullptr);
    void start();
    // Interrupted: the live output is finished (a partial interval written) before the end.
    void stop();

    const records::RecordTable& table() const { return m_session.records().table(); }

signals:
    void finished(int exitCode);

private:
    void onPortTried();
    void onPollingStarted();
    void onReading();
    void onDownloadEnded(const link::DownloadResult& result);
    // Writes every requested file; false if any could not be written.
    bool saveTable();
    // The records on stdout in the chosen format; false when the write failed (said on stderr).
    bool printRecords();
    void startLive();
    void startPublishing();
    void startWatching();
    // Adds the derived columns and events of the watch, if any, to a recorder.
    void watchInto(datalog::Recorder& recorder);
    void endLive(int exitCode);

    Mode m_mode;
    int m_framesWanted;
    SaveTargets m_saves;
    int m_framesShown = 0;
    int m_portsTried = 0;
    bool m_everLinked = false;
    bool m_downloadStarted = false;
    bool m_progressShown = false; // a progress line stands on the terminal, unfinished
    QString m_progressText;

    LiveOutput m_liveOutput;
    publish::PublishOptions m_publishing;
    watch::WatchOptions m_watchOptions;
    StderrStatus m_status;
    session::MeterSession m_session;
    std::unique_ptr<watch::SessionWatch> m_watch;
    std::unique_ptr<datalog::StreamSink> m_stdout;
    std::unique_ptr<datalog::Recorder> m_stdoutRecorder;
    std::unique_ptr<datalog::LogFile> m_log;
    std::unique_ptr<datalog::Recorder> m_logRecorder;
    bool m_logFailed = false;
    bool m_stdoutFailed = false;
    std::unique_ptr<publish::Publisher> m_publisher;
    bool m_ended = false;
};

} // namespace korvane::cli
