// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtserialport.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace korvane::platform {

namespace {
bool accessDenied(const QString& device)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(device);
    return ::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES;
#else
    Q_UNUSED(device);
    return false;
#endif
}
} // namespace

QtSerialPort::QtSerialPort(PortTable table, QObject* parent)
    : SerialPort(parent), m_table(std::move(table))
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        // Taken out at once: QSerialPort keeps waiting bytes in a chunk of many kilobytes per
        // arrival, so a dump arriving a few bytes at a time would pile up megabytes there.
        m_received += m_port.readAll();
        emit bytesArrived();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

void QtSerialPort::selectPort(int n)
{
    if (n == 1)
        m_table.refresh();
    m_selected = n;
}

QString QtSerialPort::deviceName() const
{
    return m_table.device(m_selected);
}

SerialPort::OpenError QtSerialPort::open()
{
    m_errorText.clear();
    m_received.clear();
    const QString device = deviceName();
    if (device.isEmpty()) {
        m_errorText = QStringLiteral("no such port");
        return OpenError::NoSuchPort;
    }
    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (m_port.open(QIODevice::ReadWrite))
        return OpenError::None;

    m_errorText = m_port.errorString();
    const auto error = m_port.error();
    m_port.clearError();
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenError::NoSuchPort;
    case QSerialPort::OpenError:
        return OpenError::InUse;
    case QSerialPort::PermissionError:
        // Qt reports a port locked by another program the same way as one we may not open.
        return accessDenied(device) ? OpenError::PermissionDenied : OpenError::InUse;
    default:
        return OpenError::Other;
    }
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

void QtSerialPort::write(QByteArrayView bytes)
{
    if (m_port.isOpen())
        m_port.write(bytes.constData(), bytes.size());
}

QByteArray QtSerialPort::readAll()
{
    QByteArray bytes = std::exchange(m_received, {});
    if (m_port.isOpen())
        bytes += m_port.readAll();
    return bytes;
}

void QtSerialPort::discardInput()
{
    m_received.clear();
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void QtSerialPort::discardOutput()
{
    // QSerialPort buffers writes: clearing its output queue would drop the command byte, so
    // the queue is handed to the driver instead, as far as it takes it now; whatever it does
    // not take yet goes out from the event loop. Nothing else is ever waiting in the queue,
    // and the link's handlers never wait for the line.
    if (m_port.isOpen())
        m_port.flush();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    // A write the driver cannot take yet (a backed-up line) comes as ResourceError as well;
    // QSerialPort writes it once the driver takes it, and the port stays.
    const bool writeBacklog =
        error == QSerialPort::ResourceError && m_port.bytesToWrite() > 0 && !hungUp();
    // A read that fails otherwise, or finds the end of a device that hung up, means the device
    // went away (cable pulled, meter's pty closed): give the port up and say so, so the link
    // searches again at once.
    const bool gone = error == QSerialPort::ResourceError ? !writeBacklog : hungUp();
    const QString reason = m_port.errorString();
    m_port.clearError();
    if (!gone)
        return;
    m_errorText = reason;
    m_received += m_port.readAll();
    close();
    emit deviceLost();
}

bool QtSerialPort::hungUp()
{
#ifdef Q_OS_UNIX
    pollfd device{int(m_port.handle()), POLLIN | POLLOUT, 0};
    return ::poll(&device, 1, 0) < 0 || (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

} // namespace korvane::platform
