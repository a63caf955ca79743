#pragma once

#include "link/windowstate.h"
#include "measure/liveview.h"
#include "platform/serialport.h"
#include "platform/statusview.h"
#include "platform/timer.h"
#include "records/recordmodel.h"

#include <QObject>

namespace korvane::link {

struct LinkTimers
{
    platform::Timer& Findcomtim; // port search
    platform::Timer& comtim;     // poll
    platform::Timer& comcontim;  // supervision, never stopped
    platform::Timer& readtim;    // delay before the dump request
};

// What the poll timer asks the meter for while the link is up: a live frame, or only a sign of
// life (while the user looks at the record table).
enum class Polling { LiveFrames, KeepAlive };

struct DownloadResult
{
    enum class Outcome {
        Complete,   // every record arrived and was decoded
        Incomplete, // the meter fell silent; only whole records that arrived were decoded
        BadCount,   // the count answer was malformed; the table is as it was
        NoCount,    // the meter fell silent before answering the count request
    };
    Outcome outcome;
    int received; // records decoded into the table
    int count;    // records the meter reported
};

// Port search, supervision and the command exchange with the meter. Everything runs on the
// event thread of whoever owns it; no handler waits for the meter.
class Link : public QObject
{
    Q_OBJECT
public:
    Link(WindowState& state, platform::SerialPort& port, LinkTimers timers,
         platform::StatusView& status, measure::LiveView& live, records::RecordModel& records,
         QObject* parent = nullptr);

    // The link's part of start-up: link down, search from COM1, poll and supervision armed,
    // dump delay stopped.
    void start();

    void comopen(qint16 n);
    void sendcmd(qint16 code);
    // Read: asks the meter for its record count. A request while the link is down would be no
    // download at all, so it sends nothing then.
    void readRecords();

    void Findcomtim_Timer();
    void comcontim_Timer();
    void comtim_Timer();
    void readtim_Timer();
    // The receive handler: a whole answer is waiting.
    void port_OnComm();

    bool downloading() const { return m_download != Download::None; }
    void setPolling(Polling polling) { m_polling = polling; }

signals:
    // The meter gave the handshake answer: the link is up.
    void linked();
    // The search ended with the link up and polling started.
    void pollingStarted();
    // A live frame of a known type was decoded and shown.
    void liveFrameShown();
    void downloadProgress(int records, int count);
    void downloadEnded(korvane::link::DownloadResult result);
    void linkLost();

private:
    enum class Download { None, CountRequested, DumpPending };

    void onBytesArrived();
    void onDeviceLost();
    void loseLink();
    qint16 nextPortToTry();
    void onCountAnswer();
    void finishDump(const QByteArray& dump, DownloadResult::Outcome outcome);
    void abandonDownload();
    QString portProblem(platform::SerialPort::OpenError error) const;

    WindowState& m_state;
    platform::SerialPort& m_port;
    LinkTimers m_timers;
    platform::StatusView& m_status;
    measure::LiveView& m_live;
    records::RecordModel& m_records;
    Download m_download = Download::None;
    Polling m_polling = Polling::LiveFrames;
    qint16 m_openPort = 0;  // the port comopen opened, 0 when none
    qint16 m_meterPort = 0; // the port the meter last answered on, 0 before it ever did
    bool m_meterPortNext = false;
};

} // namespace korvane::link

Q_DECLARE_METATYPE(korvane::link::DownloadResult)
