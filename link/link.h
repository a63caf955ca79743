// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/command.h"
#include "link/linkevents.h"
#include "measure/reading.h"
#include "platform/serialport.h"
#include "platform/timer.h"

#include <QObject>

#include <chrono>
#include <functional>

namespace korvane::link {

struct LinkTimers
{
    platform::Timer& search;      // tries the next port until the meter answers
    platform::Timer& poll;        // asks the linked meter for a frame or a sign of life
    platform::Timer& supervision; // counts silent ticks; never stopped
    platform::Timer& dumpDelay;   // the pause between the count answer and the dump request
};

// What the poll timer asks the meter for while the link is up: a live frame, or only a sign of
// life (while nobody needs live readings).
enum class Polling { LiveFrames, KeepAlive };

// How long a download of count records keeps the line: the count request waits for a poll tick,
// the dump request goes a tick after the count answer, and the dump comes at 9600 baud, ten bits
// a byte.
std::chrono::milliseconds downloadDuration(int count);

struct DownloadResult
{
    enum class Outcome {
        Complete,   // every record arrived
        Incomplete, // the meter fell silent; only the whole records that arrived were handed on
        BadCount,   // the count answer was malformed; no record was handed on
        NoCount,    // the meter fell silent before answering the count request
        Cancelled,  // not wanted before its dump began; no record was handed on
        Stopped,    // stopped while the dump came: the whole records so far were handed on
    };
    Outcome outcome;
    int received; // whole records handed on by recordsArrived()
    int count;    // records the meter reported
};

// Port search, supervision and the command exchange with the meter. Everything runs on the
// event thread of whoever owns it; no handler waits for the meter. It reports what happens by
// signals, a dump's records as bytes the moment each is whole.
class Link : public QObject
{
    Q_OBJECT
public:
    Link(platform::SerialPort& port, LinkTimers timers, QObject* parent = nullptr);

    // The link's part of start-up: link down, search from COM1, poll and supervision armed,
    // dump delay stopped.
    void start();

    void openPort(qint16 n);
    void send(qint16 code);
    // Read: asks the meter for its record count. A request while the link is down would be no
    // download at all, so it sends nothing then. While live frames are polled the request takes
    // the place of the next poll (never while a live answer is still arriving, whose tail would
    // read as the count answer), and once the count is known live polling goes on:
    // downloadWaiting() asks for continueDownload() or cancelDownload(). While only keep-alives
    // go out, the request goes at once and the dump follows.
    void readRecords();
    // After downloadWaiting(): the count is asked again in place of the next poll and the dump
    // follows it, live frames paused until it ends.
    void continueDownload();
    // Ends the download under way: before its dump began as Cancelled; while the dump comes as
    // Stopped, with the whole records so far handed on. The meter cannot be told to stop
    // sending, so the rest of its dump is drained (dropped, though every byte is a sign of life)
    // and polling resumes once it has been silent for a supervision tick after its first byte.
    void cancelDownload();

    // Where readings get their time: milliseconds since the epoch, UTC; the system clock unless
    // a test says otherwise.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    qint64 now() const { return m_clock(); }

    // From Read until the download ended, the wait for the go included.
    bool downloading() const { return m_download != Download::None; }
    bool waitingForGo() const { return m_download == Download::AwaitingGo; }
    // A stopped dump is still coming from the meter.
    bool draining() const { return m_draining; }
    void setPolling(Polling polling);
    Polling polling() const { return m_polling; }
    // Live frames are wanted but not polled: the line is a download's.
    bool livePaused() const { return m_livePaused; }

    bool isLinked() const { return m_linked; }
    qint16 lastCommand() const { return m_lastCommand; }
    qint16 nextPort() const { return m_nextPort; }
    quint16 recordCount() const { return m_recordCount; }
    qint16 silentTicks() const { return m_silentTicks; }

signals:
    void portAttempted(const korvane::link::PortAttempt& attempt);
    void linkStateChanged(korvane::link::LinkState state);
    // The meter gave the handshake answer on COMn: the link is up.
    void linked(int port, const QString& device);
    // The search ended with the link up and polling started.
    void pollingStarted();
    // A live frame of a known type, decoded and timed.
    void readingReceived(const korvane::measure::Reading& reading);
    // The meter holds count records; live polling goes on until continueDownload() or
    // cancelDownload().
    void downloadWaiting(int count);
    // Live frames stop for a download, or come again once it ended.
    void liveFramesPaused(bool paused);
    void downloadProgress(int records, int count);
    // The next whole records of the dump, in order, 20 bytes each; first is the number of the
    // first of them (1 starts a dump).
    void recordsArrived(const QByteArray& records, int first);
    // The rest of a stopped dump is being drained, or the meter has finished it.
    void drainingChanged(bool draining);
    void downloadEnded(korvane::link::DownloadResult result);
    // The link was up and is lost: once per loss, while "unconnected" is said again and again.
    void linkLost();

private:
    enum class Download {
        None,
        CountQueued,    // the count request waits for the next poll tick
        CountRequested, // polls stopped until the count answer
        AwaitingGo,     // the count is known; live polling goes on
        DumpPending,    // polls stopped until the dump ended
    };

    void onSearchTick();
    void onSupervisionTick();
    void onPollTick();
    void onDumpDelayTick();
    void onBytesArrived();
    bool answerIsWhole() const;
    // A whole answer to the last command has arrived.
    void onAnswer();

    void onDeviceLost();
    void loseLink();
    qint16 nextPortToTry();
    void onCountAnswer(QByteArray answer);
    void queueCount();
    bool pollsStopped() const;
    void updateLivePause();
    void finishDump(const QByteArray& dump, DownloadResult::Outcome outcome);
    void handWholeRecords(const QByteArray& dump);
    void setDraining(bool draining);
    void endDownload(DownloadResult result);
    void abandonDownload();

    platform::SerialPort& m_port;
    LinkTimers m_timers;
    bool m_linked = false;
    qint16 m_silentTicks = 0;  // supervision ticks since the meter last showed life
    qint16 m_nextPort = 1;     // the port the search tries next, 1..16
    qint16 m_lastCommand = 0;  // the last command written
    quint16 m_recordCount = 0; // records the meter reported: 0..65535
    std::function<qint64()> m_clock;
    QByteArray m_received;   // what arrived since the last command, until its answer is whole
    qsizetype m_awaited = 0; // bytes the answer to the last command has; 0 awaits nothing
    qsizetype m_bytesSinceCommand = 0;
    bool m_answered = false; // the answer to the last command was handled
    Download m_download = Download::None;
    bool m_askFirst = false;      // this download waits for the go after its count
    bool m_countHeldBack = false; // a queued count request let one tick go by
    bool m_livePaused = false;
    bool m_draining = false;
    bool m_drainBegun = false;  // a byte of the stopped dump has come
    qsizetype m_dumpHanded = 0; // bytes of the dump handed on as whole records
    Polling m_polling = Polling::LiveFrames;
    qint16 m_openPort = 0;  // the port openPort opened, 0 when none
    qint16 m_meterPort = 0; // the port the meter last answered on, 0 before it ever did
    bool m_meterPortNext = false;
};

} // namespace korvane::link

Q_DECLARE_METATYPE(korvane::link::DownloadResult)
Q_DECLARE_METATYPE(korvane::measure::Reading)
