#pragma once

#include "measure/liveview.h"
#include "session/metersession.h"

#include <QObject>

#include <cstdio>

namespace korvane::cli {

enum ExitCode {
    kExitDone = 0,
    kExitUsage = 2,
    kExitNoMeter = 3,
    kExitIncomplete = 4,
    kExitSaveFailed = 5,
};

// Files the records command writes the table to; with none it prints the table.
struct SaveTargets
{
    QString text;
    QString xlsx;
    QString csv;
    bool any() const { return !text.isEmpty() || !xlsx.isEmpty() || !csv.isEmpty(); }
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

// The link as the window runs it, without a window: searches, connects, then either prints
// live frames or downloads the records once. finished() carries the exit code.
class CliSession : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Live, Records };

    CliSession(Mode mode, QStringList ports, int frames, SaveTargets saves = {},
               QObject* parent = nullptr);
    void start();

    const records::RecordTable& table() const { return m_session.records().table(); }

signals:
    void finished(int exitCode);

private:
    void onPortTried();
    void onPollingStarted();
    void onReading(const measure::Reading& reading);
    void onDownloadEnded(const link::DownloadResult& result);
    // Writes every requested file; false if any could not be written.
    bool saveTable();

    Mode m_mode;
    int m_framesWanted;
    SaveTargets m_saves;
    int m_framesShown = 0;
    int m_portsTried = 0;
    bool m_everLinked = false;
    bool m_downloadStarted = false;

    StderrStatus m_status;
    measure::LiveTextsState m_live;
    session::MeterSession m_session;
};

} // namespace korvane::cli
