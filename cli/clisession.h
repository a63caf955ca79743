#pragma once

#include "link/link.h"
#include "measure/liveview.h"
#include "platform/porttable.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "platform/statusview.h"
#include "records/recordmodel.h"

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
class StderrStatus : public platform::StatusView
{
public:
    void setPortStatus(const QString& text, const QString& device, const QString& problem) override;
    void setLinkStatus(const QString& text) override;

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

    const records::RecordTable& table() const { return m_records.table(); }

signals:
    void finished(int exitCode);

private:
    void onSearchTick();
    void onPollingStarted();
    void onLiveFrame();
    void onDownloadEnded(const link::DownloadResult& result);
    // Writes every requested file; false if any could not be written.
    bool saveTable();

    Mode m_mode;
    int m_framesWanted;
    SaveTargets m_saves;
    int m_framesShown = 0;
    int m_searchTicks = 0;
    bool m_everLinked = false;
    bool m_downloadStarted = false;

    link::WindowState m_state;
    platform::PortTable m_ports;
    platform::QtSerialPort m_port;
    platform::QtTimer m_findcomtim, m_comtim, m_comcontim, m_readtim;
    StderrStatus m_status;
    measure::LiveTextsState m_live;
    records::RecordModel m_records;
    link::Link m_link;
};

} // namespace korvane::cli
