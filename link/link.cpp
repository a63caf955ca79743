// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/link.h"

#include "measure/frame.h"

#include <QDateTime>

#include <QLoggingCategory>

#include <utility>

Q_LOGGING_CATEGORY(lcLink, "korvane.link", QtWarningMsg)

namespace korvane::link {

using platform::SerialPort;

namespace {
constexpr qint16 kLastPort = 16;
constexpr qint16 kSilentTicksForLoss = 4;
constexpr qsizetype kHandshakeBytes = 3;
constexpr qsizetype kCountBytes = 4;
constexpr qsizetype kRecordBytes = measure::kFrameSize;
constexpr qsizetype kLiveSignOfLifeBytes = 7; // the first bytes of a frame, type and values
constexpr int kBitsPerByte = 10;              // start bit, eight data bits, stop bit
constexpr int kBaud = 9600;

const QByteArray kHandshakeAnswer = QByteArray::fromHex("d55555");

bool isHandshakeAnswer(const QByteArray& b)
{
    return b.startsWith(kHandshakeAnswer);
}

// How many leading bytes are the tail of a keep-alive answer that was still arriving when the
// count request went out (its head fell to the request's discard). The count answer starts
// with 05, which no byte of D5 55 55 is, so the two cannot be confused.
qsizetype lateKeepAliveBytes(const QByteArray& b)
{
    for (qsizetype n = kHandshakeBytes; n > 0; --n) {
        if (b.startsWith(kHandshakeAnswer.right(n)))
            return n;
    }
    return 0;
}

// How many bytes since a command show that the meter is alive: the receive threshold set for
// the command. A meter that answers each poll with a byte or two is as good as a silent one;
// a dump streams for seconds, so every byte of it counts.
qsizetype signOfLifeBytes(qint16 code)
{
    switch (code) {
    case kHandshake:
        return kHandshakeBytes;
    case kLive:
        return kLiveSignOfLifeBytes;
    case kDump:
        return 1;
    default:
        return kCountBytes;
    }
}

// How many bytes the answer to a command has: a branch is handed only whole answers.
qsizetype answerLength(qint16 code)
{
    switch (code) {
    case kHandshake:
        return kHandshakeBytes;
    case kLive:
        return kRecordBytes;
    default:
        return kCountBytes;
    }
}
} // namespace

std::chrono::milliseconds downloadDuration(int count)
{
    const qint64 bits = qint64(count) * kRecordBytes * kBitsPerByte;
    return 2 * platform::kTickPeriod + std::chrono::milliseconds((bits * 1000 + kBaud - 1) / kBaud);
}

Link::Link(SerialPort& port, LinkTimers timers, QObject* parent)
    : QObject(parent), m_port(port), m_timers(timers), m_clock(&QDateTime::currentMSecsSinceEpoch)
{
    qRegisterMetaType<DownloadResult>();
    qRegisterMetaType<measure::Reading>();
    qRegisterMetaType<PortAttempt>();
    qRegisterMetaType<LinkState>();
    connect(&m_timers.search, &platform::Timer::timeout, this, &Link::onSearchTick);
    connect(&m_timers.poll, &platform::Timer::timeout, this, &Link::onPollTick);
    connect(&m_timers.supervision, &platform::Timer::timeout, this, &Link::onSupervisionTick);
    connect(&m_timers.dumpDelay, &platform::Timer::timeout, this, &Link::onDumpDelayTick);
    connect(&m_port, &SerialPort::bytesArrived, this, &Link::onBytesArrived);
    connect(&m_port, &SerialPort::deviceLost, this, &Link::onDeviceLost);
}

void Link::start()
{
    m_linked = false;
    m_nextPort = 1;
    m_timers.poll.start();
    m_timers.supervision.start();
    m_timers.dumpDelay.stop();
    m_timers.search.start();
}

void Link::openPort(qint16 n)
{
    if (m_port.isOpen())
        m_port.close();
    m_port.selectPort(n);
    const SerialPort::OpenError result = m_port.open();
    m_openPort = result == SerialPort::OpenError::None ? n : 0;
    PortAttempt attempt{n, m_port.deviceName(), result, QString()};
    if (!attempt.opened())
        attempt.systemReason = m_port.errorText();
    qCDebug(lcLink) << "open COM" << n << attempt.device << int(result) << attempt.systemReason;
    emit portAttempted(attempt);
}

void Link::send(qint16 code)
{
    if (!m_port.isOpen())
        return;
    switch (code) {
    case kCount:
        // A new request replaces a download under way, and with it that download's dump delay.
        m_timers.poll.stop();
        m_timers.dumpDelay.stop();
        m_download = Download::CountRequested;
        m_awaited = answerLength(code);
        break;
    case kDump:
        m_dumpHanded = 0;
        break; // count x 20, set by the count answer
    default:
        m_awaited = answerLength(code);
        break;
    }
    m_lastCommand = code;
    m_answered = false;
    m_bytesSinceCommand = 0;
    m_port.write(QByteArray(1, char(quint8(code))));
    // Bytes left over from earlier answers are no part of this one.
    m_port.discardInput();
    m_received.clear();
    m_port.discardOutput();
    if (code == kCount)
        updateLivePause();
}

void Link::readRecords()
{
    if (!m_linked)
        return;
    // Live frames matter to someone: they go on until the user has seen what the download
    // costs. A download on the line already has stopped them, so its successor goes at once.
    m_askFirst = m_polling == Polling::LiveFrames;
    // While a stopped dump drains the request waits for the polls to resume.
    if (m_draining || (m_askFirst && !pollsStopped()))
        queueCount();
    else
        send(kCount);
}

void Link::continueDownload()
{
    if (m_download != Download::AwaitingGo)
        return;
    // Asked again right before the dump, so count and dump follow each other as they always
    // do, and the count is the meter's latest.
    m_askFirst = false;
    queueCount();
}

void Link::cancelDownload()
{
    using Outcome = DownloadResult::Outcome;
    switch (m_download) {
    case Download::None:
        return;
    case Download::CountQueued:
    case Download::AwaitingGo: {
        const bool counted = m_download == Download::AwaitingGo || !m_askFirst;
        endDownload({Outcome::Cancelled, 0, counted ? int(m_recordCount) : 0});
        return;
    }
    case Download::CountRequested:
        // The count answer may still come; it finds no download and is dropped.
        endDownload({Outcome::Cancelled, 0, 0});
        return;
    case Download::DumpPending:
        if (m_lastCommand != kDump) {
            m_timers.dumpDelay.stop();
            m_awaited = kHandshakeBytes;
            endDownload({Outcome::Cancelled, 0, m_recordCount});
            return;
        }
        handWholeRecords(m_received + m_port.readAll());
        // The drain ends a whole tick after the last byte of the dump, counted from now on; a
        // meter that has not begun its dump yet is waited for (or lost, if it never does).
        m_drainBegun = m_bytesSinceCommand > 0;
        m_silentTicks = 0;
        m_received.clear();
        m_awaited = 0;
        setDraining(true);
        endDownload({Outcome::Stopped, int(m_dumpHanded / kRecordBytes), m_recordCount});
        return;
    }
}

void Link::setDraining(bool draining)
{
    if (m_draining == draining)
        return;
    m_draining = draining;
    if (!draining && m_linked && !pollsStopped())
        m_timers.poll.start();
    updateLivePause();
    emit drainingChanged(draining);
}

void Link::queueCount()
{
    m_download = Download::CountQueued;
    m_countHeldBack = false;
}

bool Link::pollsStopped() const
{
    return m_download == Download::CountRequested || m_download == Download::DumpPending ||
           m_draining;
}

void Link::setPolling(Polling polling)
{
    m_polling = polling;
    updateLivePause();
}

void Link::updateLivePause()
{
    // A count request that only asks how long the download would take costs one poll, no more.
    const bool paused = m_polling == Polling::LiveFrames && pollsStopped() && !m_askFirst;
    if (paused == m_livePaused)
        return;
    m_livePaused = paused;
    emit liveFramesPaused(paused);
}

void Link::onSearchTick()
{
    if (m_linked) {
        m_timers.search.stop();
        // A download started in the moment between the handshake and this tick must not be
        // broken up by polls; its end starts the poll.
        if (!pollsStopped()) {
            m_timers.poll.start();
            emit pollingStarted();
        }
        return;
    }
    openPort(nextPortToTry());
    send(kHandshake);
}

qint16 Link::nextPortToTry()
{
    // After a loss the meter's own port gets every other tick, so a meter that falls silent
    // for a while or is plugged back in is found within a second; the others follow in order.
    if (m_meterPort != 0 && std::exchange(m_meterPortNext, false))
        return m_meterPort;
    m_meterPortNext = m_meterPort != 0;
    const auto advance = [this] {
        const qint16 n = m_nextPort;
        m_nextPort = n >= kLastPort ? 1 : qint16(n + 1);
        return n;
    };
    qint16 n = advance();
    if (n == m_meterPort)
        n = advance();
    return n;
}

void Link::onSupervisionTick()
{
    // A whole tick without a byte once the dump began: the meter has finished it.
    if (m_draining && m_drainBegun && m_silentTicks > 0)
        setDraining(false);
    if (m_silentTicks < kSilentTicksForLoss) {
        ++m_silentTicks;
        return;
    }
    loseLink();
}

void Link::onDeviceLost()
{
    // The device itself went away (cable pulled): no answer can come, so there is no point in
    // waiting for the supervision to notice.
    if (m_linked)
        loseLink();
}

void Link::loseLink()
{
    m_silentTicks = 0;
    emit linkStateChanged(LinkState::Unconnected);
    // The meter's port first, but only on the way down: the supervision goes on declaring the
    // loss every fifth tick while the search runs.
    m_meterPortNext = m_meterPortNext || m_linked;
    const bool wasLinked = std::exchange(m_linked, false);
    m_timers.search.start();
    qCDebug(lcLink) << "link lost";
    setDraining(false);
    abandonDownload();
    // Once per loss: logs, publishing and pages hear of it when it happens, not again with
    // every label update while the search goes on.
    if (wasLinked)
        emit linkLost();
}

void Link::abandonDownload()
{
    switch (m_download) {
    case Download::None:
        return;
    case Download::CountRequested:
        endDownload({DownloadResult::Outcome::NoCount, 0, 0});
        return;
    case Download::CountQueued:
        // Before its go the count is unknown; after it, known, and no record came.
        if (m_askFirst)
            endDownload({DownloadResult::Outcome::NoCount, 0, 0});
        else
            endDownload({DownloadResult::Outcome::Incomplete, 0, m_recordCount});
        return;
    case Download::AwaitingGo:
        endDownload({DownloadResult::Outcome::Incomplete, 0, m_recordCount});
        return;
    case Download::DumpPending:
        m_timers.dumpDelay.stop();
        finishDump(m_lastCommand == kDump ? std::exchange(m_received, {}) + m_port.readAll()
                                          : QByteArray(),
                   DownloadResult::Outcome::Incomplete);
        return;
    }
}

void Link::onPollTick()
{
    if (!m_linked)
        return;
    if (m_download == Download::CountQueued) {
        // The count request takes this poll's place, but not while the last live frame is still
        // unanswered: its bytes would be read as the count answer. A tick is ample for any
        // answer, so after one tick gone by the request goes regardless.
        if (m_lastCommand == kLive && !m_answered && !std::exchange(m_countHeldBack, true))
            return;
        send(kCount);
        return;
    }
    send(m_polling == Polling::KeepAlive ? kHandshake : kLive);
}

void Link::onDumpDelayTick()
{
    send(kDump);
    m_timers.dumpDelay.stop();
}

void Link::onBytesArrived()
{
    if (!m_port.isOpen())
        return;
    const QByteArray bytes = m_port.readAll();
    m_bytesSinceCommand += bytes.size();
    if (m_bytesSinceCommand >= signOfLifeBytes(m_lastCommand))
        m_silentTicks = 0;
    if (m_draining) {
        m_drainBegun = true;
        return; // the rest of a stopped dump: alive, but nobody's answer
    }
    m_received += bytes;
    if (m_download == Download::DumpPending && m_lastCommand == kDump) {
        handWholeRecords(m_received);
        emit downloadProgress(int(m_dumpHanded / kRecordBytes), m_recordCount);
    }
    if (answerIsWhole())
        onAnswer();
}

bool Link::answerIsWhole() const
{
    if (m_awaited == 0)
        return false;
    // Read pressed just after a keep-alive went out: what is left of the keep-alive's answer
    // comes before the count answer. Wait until the count answer behind it is whole.
    const qsizetype late = m_lastCommand == kCount ? lateKeepAliveBytes(m_received) : 0;
    return m_received.size() >= m_awaited + late;
}

void Link::onAnswer()
{
    QByteArray answer = std::exchange(m_received, {});
    m_port.discardInput();
    m_port.discardOutput();
    m_answered = true;

    if (!m_linked && m_lastCommand == kHandshake) {
        if (isHandshakeAnswer(answer)) {
            emit linkStateChanged(LinkState::Connected);
            m_linked = true;
            m_meterPort = m_openPort;
            qCDebug(lcLink) << "connected on" << m_port.deviceName();
            emit linked(m_openPort, m_port.deviceName());
        }
        return;
    }

    switch (m_lastCommand) {
    case kCount:
        // Bytes behind an answer already handled (a malformed one, a count of 0) are no second
        // answer: one count request, one end.
        if (m_download == Download::CountRequested)
            onCountAnswer(answer);
        break;
    case kDump:
        // A search tick between the count answer and the dump request makes the link wait for a
        // handshake's 3 bytes, so the answer handed here may be short: only a whole dump is
        // complete.
        if (m_download == Download::DumpPending) {
            const bool whole = answer.size() >= qsizetype(m_recordCount) * kRecordBytes;
            finishDump(answer, whole ? DownloadResult::Outcome::Complete
                                     : DownloadResult::Outcome::Incomplete);
        }
        m_awaited = kHandshakeBytes;
        break;
    case kLive:
        if (const auto reading = measure::decodeFrame(answer, measure::Source::Live, m_clock()))
            emit readingReceived(*reading);
        break;
    default:
        break;
    }
}

void Link::onCountAnswer(QByteArray b)
{
    b.remove(0, lateKeepAliveBytes(b));
    if (b.size() < kCountBytes || quint8(b[0]) != 5 || quint8(b[1]) != 5) {
        // Polling resumes at once rather than leaving the meter unpolled until the link is lost.
        qCDebug(lcLink) << "malformed count answer" << b.toHex(' ');
        m_timers.dumpDelay.stop();
        m_awaited = kCountBytes;
        endDownload({DownloadResult::Outcome::BadCount, 0, 0});
        return;
    }
    m_recordCount = quint16(quint8(b[3]) * 256 + quint8(b[2]));
    qCDebug(lcLink) << "meter holds" << m_recordCount << "records";
    if (m_recordCount == 0) {
        // Nothing to ask for: an empty table, and polling goes on.
        m_awaited = kHandshakeBytes;
        endDownload({DownloadResult::Outcome::Complete, 0, 0});
        return;
    }
    if (m_askFirst) {
        // Live polling goes on while the user decides.
        m_download = Download::AwaitingGo;
        m_timers.poll.start();
        emit downloadWaiting(m_recordCount);
        return;
    }
    m_awaited = qsizetype(m_recordCount) * kRecordBytes;
    m_download = Download::DumpPending;
    m_timers.dumpDelay.start();
}

void Link::handWholeRecords(const QByteArray& dump)
{
    const qsizetype whole =
        std::min<qsizetype>(m_recordCount, dump.size() / kRecordBytes) * kRecordBytes;
    if (whole <= m_dumpHanded)
        return;
    const int first = int(m_dumpHanded / kRecordBytes) + 1;
    const QByteArray records = dump.mid(m_dumpHanded, whole - m_dumpHanded);
    m_dumpHanded = whole;
    emit recordsArrived(records, first);
}

void Link::finishDump(const QByteArray& dump, DownloadResult::Outcome outcome)
{
    const int count = m_recordCount;
    handWholeRecords(dump);
    const int received = int(m_dumpHanded / kRecordBytes);
    m_awaited = kHandshakeBytes;
    qCDebug(lcLink) << "download ended" << received << "of" << count;
    endDownload({outcome, received, count});
}

void Link::endDownload(DownloadResult result)
{
    m_download = Download::None;
    m_askFirst = false;
    if (!m_draining)
        m_timers.poll.start();
    updateLivePause();
    emit downloadEnded(result);
}

} // namespace korvane::link
