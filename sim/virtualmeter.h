// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/meteroptions.h"
#include "sim/pty.h"

#include <QByteArray>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <optional>

class QSocketNotifier;

namespace korvane::sim {

// The meter's command bytes; any other byte is read and left unanswered.
constexpr quint8 kCommandHandshake = 0x05; // answered with D5 55 55
constexpr quint8 kCommandCount = 0x0F;     // answered with 05 05 lo hi
constexpr quint8 kCommandDump = 0x19;      // answered with count x 20 bytes of records
constexpr quint8 kCommandLive = 0x23;      // answered with one 20-byte live frame

// A power meter on the far side of a pseudo-terminal. It runs in the caller's event loop
// and never blocks: commands are read through a socket notifier, answers go out from a queue
// on timers, paced like a 9600 baud line unless pacing is off.
class VirtualMeter : public QObject
{
    Q_OBJECT

public:
    explicit VirtualMeter(MeterOptions options = {}, QObject* parent = nullptr);
    ~VirtualMeter() override;

    // Opens the pty (and points the link at it). False, with the reason, if it cannot.
    bool start(QString* error = nullptr);
    // Closes the pty and removes the link; no signal. start() may be called again.
    void stop();

    bool isPlugged() const { return m_pty.isOpen(); }
    // The device a program opens, e.g. /dev/pts/5; empty while unplugged.
    QString devicePath() const { return m_pty.slavePath(); }
    const MeterOptions& options() const { return m_options; }
    bool isSilent() const { return m_silent; }
    // Bytes written to the pty since construction, over all plugs.
    qint64 bytesWritten() const { return m_bytesWritten; }

    // A silent meter reads commands and answers none; this overrides the silence faults.
    void setSilent(bool silent);
    // The cable is pulled: the pty closes, the program's port hangs up, the link goes away.
    void unplug();
    // The cable is plugged back in: a new pty, the link re-pointed at it.
    bool replug(QString* error = nullptr);
    // Only the first byte or two of each answer from now on (or whole answers again).
    void setFragments(bool fragments) { m_fragments = fragments; }
    // Garbage from now on (or none), as the option of that name.
    void setGarbage(Garbage garbage) { m_options.garbage = garbage; }
    // The next dump breaks off after this many of its bytes: the meter restarts.
    void restartDuringNextDump(int bytes)
    {
        m_options.restartMidDump = bytes;
        m_restartArmed = true;
    }

    static QByteArray liveFrame(int sequence);
    static QByteArray storedRecord(int index);
    static QByteArray storedRecords(int count);

signals:
    void commandReceived(quint8 code);
    // The first byte of the answer to `code` has been written to the pty.
    void answerStarted(quint8 code);
    // The last byte of the answer to `code` has been written to the pty.
    void answerFinished(quint8 code);
    // The meter restarted in the middle of this answer; its remaining bytes are never sent.
    void answerAborted(quint8 code);
    void silentChanged(bool silent);
    void unplugged();
    void replugged(const QString& devicePath);

private:
    using Clock = std::chrono::steady_clock;

    enum class AfterPiece { Nothing, Unplug, Restart };

    // A run of answer bytes that leaves in one go, as far as pacing and the pty allow.
    struct Piece
    {
        QByteArray data;
        qsizetype written = 0;
        quint8 code = 0;
        quint64 answerId = 0;
        bool lastOfAnswer = false;
        std::chrono::milliseconds pauseBefore{0};
        bool paused = false;
        AfterPiece after = AfterPiece::Nothing;
    };

    struct PendingCommand
    {
        quint8 code;
        Clock::time_point due;
    };

    bool plugIn(QString* error);
    void pullOut();
    void onReadable();
    void handleCommand(quint8 code);
    void answerDueCommands();
    QByteArray answerBody(quint8 code);
    void enqueueAnswer(quint8 code);
    void pump();
    qsizetype paceBudget() const;
    void completePiece(const Piece& piece);
    void dropRestOfAnswer(quint64 answerId);
    void countAnswer();
    void beginFaultSilence();
    void changeSilence(bool silent);
    QByteArray randomBytes(qsizetype count);

    MeterOptions m_options;
    Pty m_pty;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    // Bumped on every plug and unplug, so a loop that emitted a signal sees that the pty it
    // was working on is gone.
    quint64 m_generation = 0;
    bool m_started = false;

    std::deque<PendingCommand> m_pending;
    std::deque<Piece> m_outgoing;
    quint64 m_nextAnswerId = 1;
    quint64 m_announcedAnswerId = 0;
    bool m_cablePulling = false;
    Clock::time_point m_paceOrigin;
    qint64 m_pacedBytes = 0;
    bool m_lineIdle = true;
    qint64 m_bytesWritten = 0;

    int m_liveSequence = 0;
    std::optional<QByteArray> m_records;
    int m_answersGiven = 0;
    bool m_silent = false;
    bool m_silenceFaultUsed = false;
    bool m_fragments = false;
    int m_fragmentsSent = 0;
    bool m_unplugArmed = false;
    bool m_restartArmed = false;
    QRandomGenerator m_random;

    QTimer m_answerTimer;
    QTimer m_paceTimer;
    QTimer m_pauseTimer;
    QTimer m_retryTimer;
    QTimer m_silenceStartTimer;
    QTimer m_silenceEndTimer;
    QTimer m_pullTimer;
    QTimer m_replugTimer;
};

} // namespace korvane::sim
