// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/virtualmeter.h"

#include "sim/devicelink.h"
#include "sim/records.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

namespace korvane::sim {

using namespace std::chrono_literals;

namespace {
constexpr qint64 kBytesPerSecond = 960; // 9600 baud, 8N1: ten bit times per byte
constexpr std::chrono::milliseconds kPaceTick{10};
// How long the meter waits before looking at a pty again after it reported no partner.
constexpr std::chrono::milliseconds kRetryPeriod{50};
// Bytes already on the wire when the cable is pulled still reach the program.
constexpr std::chrono::milliseconds kCableDrain{100};
constexpr int kMaxGarbageRun = 4;

bool isCommand(quint8 code)
{
    return code == kCommandHandshake || code == kCommandCount || code == kCommandDump ||
           code == kCommandLive;
}

void setUpTimer(QTimer& timer)
{
    timer.setSingleShot(true);
    // A coarse timer may fire 5% early; a silence or a gap must last as long as it says.
    timer.setTimerType(Qt::PreciseTimer);
}
} // namespace

VirtualMeter::VirtualMeter(MeterOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)),
      m_unplugArmed(m_options.unplugMidDump.has_value()),
      m_restartArmed(m_options.restartMidDump.has_value()), m_random(m_options.garbageSeed)
{
    for (QTimer* t : {&m_answerTimer, &m_paceTimer, &m_pauseTimer, &m_retryTimer,
                      &m_silenceStartTimer, &m_silenceEndTimer, &m_pullTimer, &m_replugTimer})
        setUpTimer(*t);
    m_paceTimer.setInterval(kPaceTick);
    m_retryTimer.setInterval(kRetryPeriod);
    m_pullTimer.setInterval(kCableDrain);

    connect(&m_answerTimer, &QTimer::timeout, this, &VirtualMeter::answerDueCommands);
    connect(&m_paceTimer, &QTimer::timeout, this, &VirtualMeter::pump);
    connect(&m_pauseTimer, &QTimer::timeout, this, &VirtualMeter::pump);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        if (m_readNotifier)
            m_readNotifier->setEnabled(true);
        pump();
    });
    connect(&m_silenceStartTimer, &QTimer::timeout, this, &VirtualMeter::beginFaultSilence);
    connect(&m_silenceEndTimer, &QTimer::timeout, this, [this] { changeSilence(false); });
    connect(&m_pullTimer, &QTimer::timeout, this, &VirtualMeter::unplug);
    connect(&m_replugTimer, &QTimer::timeout, this, [this] {
        QString error;
        if (!replug(&error))
            qWarning("virtual meter: cannot plug back in: %s", qPrintable(error));
    });
}

VirtualMeter::~VirtualMeter()
{
    stop();
}

bool VirtualMeter::start(QString* error)
{
    if (m_started)
        return true;
    const QString problem = checkOptions(m_options);
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    if (!plugIn(error))
        return false;
    m_started = true;
    if (m_options.silentAfterTime)
        m_silenceStartTimer.start(*m_options.silentAfterTime);
    if (m_options.silentAfterAnswers == 0)
        beginFaultSilence();
    if (m_options.fragmentsAfterAnswers == 0)
        m_fragments = true;
    return true;
}

void VirtualMeter::stop()
{
    m_started = false;
    for (QTimer* t : {&m_silenceStartTimer, &m_silenceEndTimer, &m_replugTimer})
        t->stop();
    if (isPlugged())
        pullOut();
}

void VirtualMeter::setSilent(bool silent)
{
    m_silenceEndTimer.stop();
    changeSilence(silent);
}

void VirtualMeter::unplug()
{
    if (!isPlugged())
        return;
    pullOut();
    emit unplugged();
    if (m_options.replugAfter)
        m_replugTimer.start(*m_options.replugAfter);
}

bool VirtualMeter::replug(QString* error)
{
    unplug();
    m_replugTimer.stop();
    if (!plugIn(error))
        return false;
    emit replugged(devicePath());
    return true;
}

QByteArray VirtualMeter::liveFrame(int sequence)
{
    return sim::liveFrame(sequence);
}

QByteArray VirtualMeter::storedRecord(int index)
{
    return sim::storedRecord(index);
}

QByteArray VirtualMeter::storedRecords(int count)
{
    return sim::storedRecords(count);
}

bool VirtualMeter::plugIn(QString* error)
{
    if (!m_pty.open(error))
        return false;
    if (!m_options.linkPath.isEmpty() && !pointLink(m_options.linkPath, m_pty.slavePath(), error)) {
        m_pty.close();
        return false;
    }
    ++m_generation;
    const int fd = m_pty.masterFd();
    m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &VirtualMeter::onReadable);
    m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
        m_writeNotifier->setEnabled(false);
        pump();
    });
    return true;
}

void VirtualMeter::pullOut()
{
    // The notifiers may be the very objects whose signal brought us here.
    for (QSocketNotifier* n : {m_readNotifier, m_writeNotifier}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    removeLink(m_options.linkPath, m_pty.slavePath());
    m_pty.close();
    ++m_generation;

    m_pending.clear();
    m_outgoing.clear();
    for (QTimer* t : {&m_answerTimer, &m_paceTimer, &m_pauseTimer, &m_retryTimer, &m_pullTimer})
        t->stop();
    m_cablePulling = false;
    m_lineIdle = true;
}

void VirtualMeter::onReadable()
{
    const quint64 generation = m_generation;
    char buf[512];
    ssize_t n = 0;
    do {
        n = ::read(m_pty.masterFd(), buf, sizeof buf);
    } while (n < 0 && errno == EINTR);

    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    if (n <= 0) {
        // No slave side open (EIO) or end of file: the held descriptor should rule this out,
        // but rest the notifier rather than let it fire again at once.
        m_readNotifier->setEnabled(false);
        m_retryTimer.start();
        return;
    }
    for (ssize_t i = 0; i < n && m_generation == generation; ++i)
        handleCommand(quint8(buf[i]));
}

void VirtualMeter::handleCommand(quint8 code)
{
    const quint64 generation = m_generation;
    emit commandReceived(code);
    if (m_generation != generation || m_silent || m_cablePulling || !isCommand(code))
        return;
    // The answer never leaves in the instant the command arrives: the program empties its
    // input right after writing a command.
    m_pending.push_back({code, Clock::now() + m_options.answerDelay});
    if (!m_answerTimer.isActive())
        m_answerTimer.start(m_options.answerDelay);
    countAnswer();
}

void VirtualMeter::answerDueCommands()
{
    const auto now = Clock::now();
    while (!m_pending.empty() && m_pending.front().due <= now) {
        const quint8 code = m_pending.front().code;
        m_pending.pop_front();
        enqueueAnswer(code);
    }
    if (!m_pending.empty())
        m_answerTimer.start(
            std::chrono::ceil<std::chrono::milliseconds>(m_pending.front().due - now));
    pump();
}

QByteArray VirtualMeter::answerBody(quint8 code)
{
    switch (code) {
    case kCommandHandshake:
        return m_options.wrongHandshake ? QByteArray("\xD5\x55\x54") : QByteArray("\xD5\x55\x55");
    case kCommandCount: {
        const int count = m_options.zeroCount ? 0 : m_options.recordCount;
        QByteArray answer(4, '\0');
        answer[0] = char(0x05);
        answer[1] = char(m_options.badCount ? 0x04 : 0x05);
        answer[2] = char(count & 0xFF);
        answer[3] = char(count >> 8);
        return answer;
    }
    case kCommandDump:
        if (!m_records)
            m_records = sim::storedRecords(m_options.recordCount);
        return *m_records;
    default:
        return sim::liveFrame(m_liveSequence++);
    }
}

void VirtualMeter::enqueueAnswer(quint8 code)
{
    QByteArray body = answerBody(code);
    if (m_fragments)
        body.truncate(1 + m_fragmentsSent++ % 2);
    QByteArray block;
    qsizetype bodyStart = 0;
    switch (m_options.garbage) {
    case Garbage::None:
        block = body;
        break;
    case Garbage::Replace:
        block = randomBytes(body.size());
        break;
    case Garbage::Surround:
        block = randomBytes(1 + m_random.bounded(kMaxGarbageRun));
        bodyStart = block.size();
        block.append(body).append(randomBytes(1 + m_random.bounded(kMaxGarbageRun)));
        break;
    }

    // Where the first dump breaks off: an offset into the block, or none.
    constexpr qsizetype kNoCut = -1;
    qsizetype cut = kNoCut;
    AfterPiece cutAction = AfterPiece::Nothing;
    if (code == kCommandDump && m_unplugArmed && *m_options.unplugMidDump <= body.size()) {
        cut = bodyStart + *m_options.unplugMidDump;
        cutAction = AfterPiece::Unplug;
        m_unplugArmed = false;
    } else if (code == kCommandDump && m_restartArmed && *m_options.restartMidDump <= body.size()) {
        cut = bodyStart + *m_options.restartMidDump;
        cutAction = AfterPiece::Restart;
        m_restartArmed = false;
    }

    const quint64 id = m_nextAnswerId++;
    const qsizetype chunk = m_options.chunkSize;
    qsizetype pausedAt = 0; // the answer's first byte follows the answer delay, not a gap
    for (qsizetype pos = 0;;) {
        qsizetype end = block.size();
        if (chunk > 0)
            end = qMin(end, (pos / chunk + 1) * chunk);
        Piece piece;
        if (cut != kNoCut && cut >= pos && cut <= end) {
            end = cut;
            piece.after = cutAction;
            cut = kNoCut;
        }
        piece.data = block.mid(pos, end - pos);
        piece.code = code;
        piece.answerId = id;
        piece.lastOfAnswer = end == block.size();
        if (chunk > 0 && pos % chunk == 0 && pos != pausedAt) {
            piece.pauseBefore = m_options.chunkGap;
            pausedAt = pos;
        }
        m_outgoing.push_back(std::move(piece));
        if (end == block.size())
            break;
        pos = end;
    }
}

void VirtualMeter::pump()
{
    const quint64 generation = m_generation;
    while (m_generation == generation && isPlugged() && !m_cablePulling && !m_outgoing.empty()) {
        if (m_pauseTimer.isActive() || m_writeNotifier->isEnabled())
            return;
        Piece& piece = m_outgoing.front();
        if (!piece.paused && piece.pauseBefore > 0ms) {
            piece.paused = true;
            m_lineIdle = true;
            m_pauseTimer.start(piece.pauseBefore);
            return;
        }

        qsizetype n = piece.data.size() - piece.written;
        if (n > 0) {
            if (m_lineIdle) {
                m_paceOrigin = Clock::now();
                m_pacedBytes = 0;
                m_lineIdle = false;
            }
            if (m_options.pacing) {
                const qsizetype budget = paceBudget();
                if (budget <= 0) {
                    if (!m_paceTimer.isActive())
                        m_paceTimer.start();
                    return;
                }
                n = qMin(n, budget);
            }
            const ssize_t written =
                ::write(m_pty.masterFd(), piece.data.constData() + piece.written, size_t(n));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                m_retryTimer.start();
                return;
            }
            if (written <= 0) {
                // The pty is full: go on when it has room again.
                m_writeNotifier->setEnabled(true);
                return;
            }
            piece.written += written;
            m_pacedBytes += written;
            m_bytesWritten += written;
        }

        const quint8 code = piece.code;
        const bool complete = piece.written == piece.data.size();
        bool announce = false;
        if (piece.answerId != m_announcedAnswerId &&
            (piece.written > 0 || (complete && piece.lastOfAnswer))) {
            m_announcedAnswerId = piece.answerId;
            announce = true;
        }
        std::optional<Piece> done;
        if (complete) {
            done = std::move(piece);
            m_outgoing.pop_front();
        }
        if (announce) {
            emit answerStarted(code);
            if (m_generation != generation)
                return;
        }
        if (done)
            completePiece(*done);
    }
    if (m_generation == generation && m_outgoing.empty()) {
        m_lineIdle = true;
        m_paceTimer.stop();
    }
}

// Bytes the line may carry by now: the first at once, then one every 1/960 s.
qsizetype VirtualMeter::paceBudget() const
{
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_paceOrigin);
    const qint64 due = 1 + elapsed.count() * kBytesPerSecond / 1'000'000;
    return qsizetype(due - m_pacedBytes);
}

void VirtualMeter::completePiece(const Piece& piece)
{
    const quint64 generation = m_generation;
    if (piece.lastOfAnswer) {
        emit answerFinished(piece.code);
        if (m_generation != generation)
            return;
    }
    switch (piece.after) {
    case AfterPiece::Nothing:
        break;
    case AfterPiece::Unplug:
        m_cablePulling = true;
        m_outgoing.clear();
        m_pending.clear();
        m_answerTimer.stop();
        m_pullTimer.start();
        break;
    case AfterPiece::Restart:
        if (!piece.lastOfAnswer) {
            dropRestOfAnswer(piece.answerId);
            emit answerAborted(piece.code);
        }
        break;
    }
}

void VirtualMeter::dropRestOfAnswer(quint64 answerId)
{
    while (!m_outgoing.empty() && m_outgoing.front().answerId == answerId)
        m_outgoing.pop_front();
}

namespace {
constexpr std::chrono::milliseconds kUnplugAfterAnswerDelay{100};
}

void VirtualMeter::countAnswer()
{
    ++m_answersGiven;
    if (m_options.silentAfterAnswers && m_answersGiven >= *m_options.silentAfterAnswers)
        beginFaultSilence();
    if (m_options.fragmentsAfterAnswers && m_answersGiven >= *m_options.fragmentsAfterAnswers)
        m_fragments = true;
    // Pulled a moment later, so the answer's bytes reach the program before the pty goes.
    if (m_options.unplugAfterAnswers && m_answersGiven == *m_options.unplugAfterAnswers)
        QTimer::singleShot(kUnplugAfterAnswerDelay, this, &VirtualMeter::unplug);
}

void VirtualMeter::beginFaultSilence()
{
    if (m_silenceFaultUsed)
        return;
    m_silenceFaultUsed = true;
    m_silenceStartTimer.stop();
    changeSilence(true);
    if (m_options.silentFor)
        m_silenceEndTimer.start(*m_options.silentFor);
}

void VirtualMeter::changeSilence(bool silent)
{
    if (m_silent == silent)
        return;
    m_silent = silent;
    emit silentChanged(silent);
}

QByteArray VirtualMeter::randomBytes(qsizetype count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(m_random.bounded(256));
    return bytes;
}

} // namespace korvane::sim
