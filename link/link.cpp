#include "link/link.h"

#include "measure/livetexts.h"

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

// The answer's length, which is also the receive threshold: a branch is handed only whole
// answers. A live frame waits for all 20 bytes.
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

Link::Link(WindowState& state, SerialPort& port, LinkTimers timers, platform::StatusView& status,
           measure::LiveView& live, records::RecordModel& records, QObject* parent)
    : QObject(parent), m_state(state), m_port(port), m_timers(timers), m_status(status),
      m_live(live), m_records(records)
{
    qRegisterMetaType<DownloadResult>();
    connect(&m_timers.Findcomtim, &platform::Timer::timeout, this, &Link::Findcomtim_Timer);
    connect(&m_timers.comtim, &platform::Timer::timeout, this, &Link::comtim_Timer);
    connect(&m_timers.comcontim, &platform::Timer::timeout, this, &Link::comcontim_Timer);
    connect(&m_timers.readtim, &platform::Timer::timeout, this, &Link::readtim_Timer);
    connect(&m_port, &SerialPort::dataReceived, this, &Link::port_OnComm);
    connect(&m_port, &SerialPort::bytesArrived, this, &Link::onBytesArrived);
    connect(&m_port, &SerialPort::deviceLost, this, &Link::onDeviceLost);
}

void Link::start()
{
    m_state.linkup = false;
    m_state.portnum = 1;
    m_timers.comtim.start();
    m_timers.comcontim.start();
    m_timers.readtim.stop();
    m_timers.Findcomtim.start();
}

void Link::comopen(qint16 n)
{
    if (m_port.isOpen())
        m_port.close();
    m_port.selectPort(n);
    const SerialPort::OpenError result = m_port.open();
    m_openPort = result == SerialPort::OpenError::None ? n : 0;
    const QString name = QStringLiteral("COM") + QString::number(n);
    // Every failed open is a failure, whatever its kind.
    const QString text = result == SerialPort::OpenError::None ? name + QStringLiteral(" Open")
                                                               : name + QStringLiteral("Unviable");
    qCDebug(lcLink) << "open" << name << m_port.deviceName() << int(result) << m_port.errorText();
    m_status.setPortStatus(text, m_port.deviceName(), portProblem(result));
}

QString Link::portProblem(SerialPort::OpenError error) const
{
    switch (error) {
    case SerialPort::OpenError::PermissionDenied:
        return QStringLiteral("Permission denied on %1: your account needs access to serial "
                              "devices (for example, join the dialout group with "
                              "\"sudo usermod -aG dialout $USER\", then log in again).")
            .arg(m_port.deviceName());
    case SerialPort::OpenError::Other:
        return QStringLiteral("Cannot open %1: %2").arg(m_port.deviceName(), m_port.errorText());
    default:
        return QString();
    }
}

void Link::sendcmd(qint16 code)
{
    if (!m_port.isOpen())
        return;
    switch (code) {
    case kCount:
        // A new request replaces a download under way, and with it that download's dump delay.
        m_timers.comtim.stop();
        m_timers.readtim.stop();
        m_download = Download::CountRequested;
        m_port.setReceiveThreshold(answerLength(code));
        break;
    case kDump:
        break; // still count x 20 from the count answer
    default:
        m_port.setReceiveThreshold(answerLength(code));
        break;
    }
    m_state.curcmd = code;
    m_port.write(QByteArray(1, char(quint8(code))));
    m_port.discardInput();
    m_port.discardOutput();
}

void Link::readRecords()
{
    if (m_state.linkup)
        sendcmd(kCount);
}

void Link::Findcomtim_Timer()
{
    if (m_state.linkup) {
        m_timers.Findcomtim.stop();
        // A download started in the moment between the handshake and this tick must not be
        // broken up by polls; its end starts the poll.
        if (!downloading()) {
            m_timers.comtim.start();
            emit pollingStarted();
        }
        return;
    }
    comopen(nextPortToTry());
    sendcmd(kHandshake);
}

qint16 Link::nextPortToTry()
{
    // After a loss the meter's own port gets every other tick, so a meter that falls silent
    // for a while or is plugged back in is found within a second; the others follow in order.
    if (m_meterPort != 0 && std::exchange(m_meterPortNext, false))
        return m_meterPort;
    m_meterPortNext = m_meterPort != 0;
    const auto advance = [this] {
        const qint16 n = m_state.portnum;
        m_state.portnum = n >= kLastPort ? 1 : qint16(n + 1);
        return n;
    };
    qint16 n = advance();
    if (n == m_meterPort)
        n = advance();
    return n;
}

void Link::comcontim_Timer()
{
    if (m_state.idlecount < kSilentTicksForLoss) {
        ++m_state.idlecount;
        return;
    }
    loseLink();
}

void Link::onDeviceLost()
{
    // The device itself went away (cable pulled): no answer can come, so there is no point in
    // waiting for the supervision to notice.
    if (m_state.linkup)
        loseLink();
}

void Link::loseLink()
{
    m_state.idlecount = 0;
    m_status.setLinkStatus(QStringLiteral("unconnected"));
    // The meter's port first, but only on the way down: the supervision goes on declaring the
    // loss every fifth tick while the search runs.
    m_meterPortNext = m_meterPortNext || m_state.linkup;
    m_state.linkup = false;
    m_timers.Findcomtim.start();
    qCDebug(lcLink) << "link lost";
    abandonDownload();
    emit linkLost();
}

void Link::abandonDownload()
{
    switch (m_download) {
    case Download::None:
        return;
    case Download::CountRequested:
        m_download = Download::None;
        emit downloadEnded({DownloadResult::Outcome::NoCount, 0, 0});
        return;
    case Download::DumpPending:
        m_timers.readtim.stop();
        finishDump(m_state.curcmd == kDump ? m_port.readAll() : QByteArray(),
                   DownloadResult::Outcome::Incomplete);
        return;
    }
}

void Link::comtim_Timer()
{
    if (!m_state.linkup)
        return;
    sendcmd(m_polling == Polling::KeepAlive ? kHandshake : kLive);
}

void Link::readtim_Timer()
{
    sendcmd(kDump);
    m_timers.readtim.stop();
}

void Link::onBytesArrived()
{
    // Every byte is a sign of life, so a dump that is still streaming never looks like silence.
    m_state.idlecount = 0;
    if (m_download == Download::DumpPending && m_state.curcmd == kDump)
        emit downloadProgress(int(m_port.bytesAvailable() / kRecordBytes), m_state.reccount);
}

void Link::port_OnComm()
{
    // Read pressed just after a keep-alive went out: what is left of the keep-alive's answer
    // comes before the count answer. Wait until the count answer behind it is whole.
    if (m_state.curcmd == kCount) {
        const QByteArray waiting = m_port.peekAll();
        const qsizetype late = lateKeepAliveBytes(waiting);
        if (late > 0 && waiting.size() < late + kCountBytes)
            return;
    }
    m_state.rxbuf = m_port.readAll();
    m_port.discardInput();
    m_port.discardOutput();
    m_state.idlecount = 0;

    if (!m_state.linkup && m_state.curcmd == kHandshake) {
        if (isHandshakeAnswer(m_state.rxbuf)) {
            m_status.setLinkStatus(QStringLiteral("Connected"));
            m_state.linkup = true;
            m_meterPort = m_openPort;
            qCDebug(lcLink) << "connected on" << m_port.deviceName();
            emit linked();
        }
        return;
    }

    switch (m_state.curcmd) {
    case kCount:
        // Bytes behind an answer already handled (a malformed one, a count of 0) are no second
        // answer: one count request, one end.
        if (m_download == Download::CountRequested)
            onCountAnswer();
        break;
    case kDump:
        // A search tick between the count answer and the dump request lowers the threshold, so
        // the answer handed here may be short: only a whole dump is complete.
        if (m_download == Download::DumpPending) {
            const bool whole = m_state.rxbuf.size() >= qsizetype(m_state.reccount) * kRecordBytes;
            finishDump(m_state.rxbuf, whole ? DownloadResult::Outcome::Complete
                                            : DownloadResult::Outcome::Incomplete);
        }
        m_port.setReceiveThreshold(kHandshakeBytes);
        break;
    case kLive: {
        const auto texts = measure::rxframe(m_state.rxbuf, m_state.frame);
        measure::applyTo(texts, m_live);
        if (m_state.frame.frametype <= 3)
            emit liveFrameShown();
        break;
    }
    default:
        break;
    }
}

void Link::onCountAnswer()
{
    m_state.rxbuf.remove(0, lateKeepAliveBytes(m_state.rxbuf));
    const QByteArray& b = m_state.rxbuf;
    if (b.size() < kCountBytes || quint8(b[0]) != 5 || quint8(b[1]) != 5) {
        // Polling resumes at once rather than leaving the meter unpolled until the link is lost.
        qCDebug(lcLink) << "malformed count answer" << b.toHex(' ');
        m_timers.readtim.stop();
        m_port.setReceiveThreshold(kCountBytes);
        m_download = Download::None;
        m_timers.comtim.start();
        emit downloadEnded({DownloadResult::Outcome::BadCount, 0, 0});
        return;
    }
    m_state.reccount = quint16(quint8(b[3]) * 256 + quint8(b[2]));
    qCDebug(lcLink) << "meter holds" << m_state.reccount << "records";
    if (m_state.reccount == 0) {
        // Nothing to ask for: an empty table, and polling goes on.
        m_records.gridinit();
        m_port.setReceiveThreshold(kHandshakeBytes);
        m_download = Download::None;
        m_timers.comtim.start();
        emit downloadEnded({DownloadResult::Outcome::Complete, 0, 0});
        return;
    }
    m_port.setReceiveThreshold(qsizetype(m_state.reccount) * kRecordBytes);
    m_download = Download::DumpPending;
    m_timers.readtim.start();
}

void Link::finishDump(const QByteArray& dump, DownloadResult::Outcome outcome)
{
    const int count = m_state.reccount;
    int received = int(std::min<qsizetype>(count, dump.size() / kRecordBytes));
    // A download that brought no whole record leaves the table as it was.
    if (received > 0)
        received = m_records.recdecode(dump, m_state.reccount, m_state.frame);
    m_download = Download::None;
    m_port.setReceiveThreshold(kHandshakeBytes);
    m_timers.comtim.start();
    qCDebug(lcLink) << "download ended" << received << "of" << count;
    emit downloadEnded({outcome, received, count});
}

} // namespace korvane::link
