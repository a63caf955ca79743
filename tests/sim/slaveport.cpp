// SPDX-License-Identifier: GPL-3.0-or-later
#include "slaveport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

SlavePort::SlavePort(QObject* parent) : QObject(parent)
{
    m_clock.start();
}

SlavePort::~SlavePort()
{
    close();
}

bool SlavePort::open(const QString& path, QString* error)
{
    close();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (m_fd < 0 || ::tcgetattr(m_fd, &tio) < 0) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2")
                         .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        close();
        return false;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(m_fd, TCSANOW, &tio);
    m_hungUp = false;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SlavePort::onReadable);
    return true;
}

void SlavePort::close()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool SlavePort::send(const QByteArray& bytes)
{
    return m_fd >= 0 && ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray SlavePort::readNow()
{
    const qsizetype before = m_received.size();
    readAvailable();
    return m_received.mid(before);
}

bool SlavePort::waitForBytes(qsizetype count, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    QSignalSpy arrivals(this, &SlavePort::bytesArrived);
    while (m_received.size() < count && !deadline.hasExpired() && !m_hungUp)
        arrivals.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    return m_received.size() >= count;
}

qint64 SlavePort::reachedAt(qsizetype count) const
{
    for (const Arrival& a : m_arrivals) {
        if (a.total >= count)
            return a.nsecs;
    }
    return -1;
}

QList<qsizetype> SlavePort::readSizes() const
{
    QList<qsizetype> sizes;
    qsizetype previous = 0;
    for (const Arrival& a : m_arrivals) {
        sizes.append(a.total - previous);
        previous = a.total;
    }
    return sizes;
}

void SlavePort::onReadable()
{
    if (readAvailable() > 0)
        emit bytesArrived();
}

qsizetype SlavePort::readAvailable()
{
    if (m_fd < 0)
        return 0;
    qsizetype total = 0;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            m_received.append(buf, n);
            total += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file or EIO: the master side is gone.
        m_notifier->setEnabled(false);
        m_hungUp = true;
        emit hungUp();
        break;
    }
    if (total > 0)
        m_arrivals.append({m_clock.nsecsElapsed(), m_received.size()});
    return total;
}
