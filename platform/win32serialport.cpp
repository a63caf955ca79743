// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32serialport.h"

#include <QRegularExpression>
#include <QWinEventNotifier>

#include <windows.h>

namespace korvane::platform {

namespace {
QString messageOf(DWORD error)
{
    return qt_error_string(int(error));
}

HANDLE newEvent()
{
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

bool configure(HANDLE file)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(file, &dcb))
        return false;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    // Raised as a Linux tty raises them on open: some cables take their power from them.
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(file, &dcb))
        return false;
    return ::PurgeComm(file, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
}

// Waiting: a read ends when the bytes asked for have come, however long that takes.
bool readWaits(HANDLE file)
{
    COMMTIMEOUTS timeouts{};
    return ::SetCommTimeouts(file, &timeouts);
}

// Draining: a read ends at once with whatever the driver holds.
bool readReturnsAtOnce(HANDLE file)
{
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    return ::SetCommTimeouts(file, &timeouts);
}
} // namespace

struct Win32SerialPort::Handles
{
    HANDLE file = INVALID_HANDLE_VALUE;
    // The read of one byte that waits for the next arrival.
    OVERLAPPED wait{};
    char first = 0;
    bool waiting = false;
    OVERLAPPED read{};
    OVERLAPPED write{};
    // The bytes of the write in flight: the driver reads them until it completes.
    QByteArray writing;
    bool writePending = false;
    QWinEventNotifier arrival;
    QWinEventNotifier written;

    Handles()
    {
        wait.hEvent = newEvent();
        read.hEvent = newEvent();
        write.hEvent = newEvent();
        arrival.setHandle(wait.hEvent);
        written.setHandle(write.hEvent);
        arrival.setEnabled(false);
        written.setEnabled(false);
    }
    ~Handles()
    {
        ::CloseHandle(wait.hEvent);
        ::CloseHandle(read.hEvent);
        ::CloseHandle(write.hEvent);
    }
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;
};

Win32SerialPort::Win32SerialPort(PortTable table, QObject* parent)
    : SerialPort(parent), m_table(std::move(table)), m_handles(std::make_unique<Handles>())
{
    connect(&m_handles->arrival, &QWinEventNotifier::activated, this, &Win32SerialPort::onArrival);
    connect(&m_handles->written, &QWinEventNotifier::activated, this, &Win32SerialPort::onWritten);
}

Win32SerialPort::~Win32SerialPort()
{
    close();
}

QString Win32SerialPort::fileNameOf(const QString& device)
{
    // COM1 to COM9 open by their plain names too, COM10 and above only through the device
    // namespace; every one opens through it.
    static const QRegularExpression comPort(QStringLiteral("^COM[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return comPort.match(device).hasMatch() ? QStringLiteral("\\\\.\\") + device : device;
}

void Win32SerialPort::selectPort(int n)
{
    if (n == 1)
        m_table.refresh();
    m_selected = n;
}

QString Win32SerialPort::deviceName() const
{
    return m_table.device(m_selected);
}

bool Win32SerialPort::isOpen() const
{
    return m_handles->file != INVALID_HANDLE_VALUE;
}

SerialPort::OpenError Win32SerialPort::open()
{
    close();
    m_errorText.clear();
    m_received.clear();
    m_toWrite.clear();
    const QString device = deviceName();
    if (device.isEmpty()) {
        m_errorText = QStringLiteral("no such port");
        return OpenError::NoSuchPort;
    }
    const QString name = fileNameOf(device);
    HANDLE file =
        ::CreateFileW(reinterpret_cast<const wchar_t*>(name.utf16()), GENERIC_READ | GENERIC_WRITE,
                      0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        m_errorText = messageOf(error);
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return OpenError::NoSuchPort;
        // Windows refuses a port another program holds as access denied.
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return OpenError::InUse;
        default:
            return OpenError::Other;
        }
    }
    if (!configure(file) || !readWaits(file)) {
        m_errorText = messageOf(::GetLastError());
        ::CloseHandle(file);
        return OpenError::Other;
    }
    m_handles->file = file;
    // A manual-reset event left signalled by the last port would report again and again.
    ::ResetEvent(m_handles->wait.hEvent);
    ::ResetEvent(m_handles->write.hEvent);
    m_handles->arrival.setEnabled(true);
    m_handles->written.setEnabled(true);
    startWaiting();
    if (!m_handles->waiting) {
        const QString reason = m_errorText;
        close();
        m_errorText = reason;
        return OpenError::Other;
    }
    return OpenError::None;
}

void Win32SerialPort::close()
{
    Handles& h = *m_handles;
    if (h.file == INVALID_HANDLE_VALUE)
        return;
    h.arrival.setEnabled(false);
    h.written.setEnabled(false);
    ::CancelIo(h.file);
    DWORD ignored = 0;
    // The cancelled operations still own their OVERLAPPED until they report back.
    if (h.waiting)
        ::GetOverlappedResult(h.file, &h.wait, &ignored, TRUE);
    if (h.writePending)
        ::GetOverlappedResult(h.file, &h.write, &ignored, TRUE);
    ::CloseHandle(h.file);
    h.file = INVALID_HANDLE_VALUE;
    h.waiting = false;
    h.writePending = false;
    h.writing.clear();
    m_toWrite.clear();
}

void Win32SerialPort::startWaiting()
{
    Handles& h = *m_handles;
    ::ResetEvent(h.wait.hEvent);
    // Done at once or pending, the event is signalled when the read ends; the notifier reports
    // it from the event loop either way. (WaitCommEvent would do as well on Windows, but under
    // wine it never reports a pseudo-terminal's bytes.)
    DWORD got = 0;
    if (::ReadFile(h.file, &h.first, 1, &got, &h.wait) || ::GetLastError() == ERROR_IO_PENDING) {
        h.waiting = true;
        return;
    }
    h.waiting = false;
    m_errorText = messageOf(::GetLastError());
}

void Win32SerialPort::onArrival()
{
    Handles& h = *m_handles;
    if (!h.waiting) {
        ::ResetEvent(h.wait.hEvent);
        return;
    }
    DWORD got = 0;
    if (!::GetOverlappedResult(h.file, &h.wait, &got, FALSE)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return;
        h.waiting = false;
        lose(error);
        return;
    }
    h.waiting = false;
    // A read that waits ends without a byte only when the device is gone.
    if (got == 0) {
        lose(ERROR_DEVICE_NOT_CONNECTED);
        return;
    }
    m_received.append(h.first);
    if (!drain())
        return;
    startWaiting();
    if (!h.waiting) {
        lose(::GetLastError());
        return;
    }
    if (!m_received.isEmpty())
        emit bytesArrived();
}

bool Win32SerialPort::drain()
{
    Handles& h = *m_handles;
    if (!readReturnsAtOnce(h.file)) {
        lose(::GetLastError());
        return false;
    }
    constexpr DWORD kChunk = 4096;
    for (;;) {
        const qsizetype before = m_received.size();
        m_received.resize(before + kChunk);
        DWORD got = 0;
        ::ResetEvent(h.read.hEvent);
        bool ok = ::ReadFile(h.file, m_received.data() + before, kChunk, &got, &h.read);
        // With these read timeouts a pending read ends at once.
        if (!ok && ::GetLastError() == ERROR_IO_PENDING)
            ok = ::GetOverlappedResult(h.file, &h.read, &got, TRUE);
        const DWORD error = ok ? 0 : ::GetLastError();
        m_received.resize(before + (ok ? qsizetype(got) : 0));
        if (!ok) {
            lose(error);
            return false;
        }
        if (got < kChunk)
            break;
    }
    if (!readWaits(h.file)) {
        lose(::GetLastError());
        return false;
    }
    return true;
}

void Win32SerialPort::lose(unsigned long error)
{
    m_errorText = messageOf(error);
    close();
    emit deviceLost();
}

void Win32SerialPort::write(QByteArrayView bytes)
{
    if (!isOpen())
        return;
    m_toWrite.append(bytes.constData(), bytes.size());
    if (!m_handles->writePending)
        startWrite();
}

void Win32SerialPort::startWrite()
{
    Handles& h = *m_handles;
    h.writing = std::exchange(m_toWrite, {});
    ::ResetEvent(h.write.hEvent);
    DWORD done = 0;
    if (::WriteFile(h.file, h.writing.constData(), DWORD(h.writing.size()), &done, &h.write) ||
        ::GetLastError() == ERROR_IO_PENDING) {
        h.writePending = true;
        return;
    }
    // Reported from the event loop: the link's handler that wrote is still running.
    const DWORD error = ::GetLastError();
    QMetaObject::invokeMethod(
        this,
        [this, error] {
            if (isOpen())
                lose(error);
        },
        Qt::QueuedConnection);
}

void Win32SerialPort::onWritten()
{
    Handles& h = *m_handles;
    if (!h.writePending) {
        ::ResetEvent(h.write.hEvent);
        return;
    }
    DWORD done = 0;
    if (!::GetOverlappedResult(h.file, &h.write, &done, FALSE)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return;
        h.writePending = false;
        lose(error);
        return;
    }
    h.writePending = false;
    h.writing.clear();
    // The event stays signalled until the next write: the notifier would report it again.
    ::ResetEvent(h.write.hEvent);
    if (!m_toWrite.isEmpty())
        startWrite();
}

QByteArray Win32SerialPort::readAll()
{
    return std::exchange(m_received, {});
}

void Win32SerialPort::discardInput()
{
    m_received.clear();
    if (isOpen())
        ::PurgeComm(m_handles->file, PURGE_RXCLEAR);
}

void Win32SerialPort::discardOutput()
{
    // Every write is handed to the driver at once: there is no queue of ours to empty, and
    // the driver's own queue holds the command just written, which must still go out.
}

} // namespace korvane::platform
