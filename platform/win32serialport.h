// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/porttable.h"
#include "platform/serialport.h"

#include <QByteArray>

#include <memory>

namespace korvane::platform {

// The serial port over the Win32 communications API: \\.\COMn opened for overlapped I/O at
// 9600 8N1 through the DCB, no flow control, DTR and RTS raised. An overlapped read of one byte
// waits for each arrival, reported from the event loop through QWinEventNotifier; the rest that
// came is then read at once. A slot is never re-entered and nothing blocks.
class Win32SerialPort : public SerialPort
{
    Q_OBJECT
public:
    explicit Win32SerialPort(PortTable table, QObject* parent = nullptr);
    ~Win32SerialPort() override;

    void selectPort(int n) override;
    QString deviceName() const override;
    OpenError open() override;
    QString errorText() const override { return m_errorText; }
    void close() override;
    bool isOpen() const override;

    void write(QByteArrayView bytes) override;
    QByteArray readAll() override;
    void discardInput() override;
    void discardOutput() override;

    // "COM12" to the name CreateFile opens ("\\.\COM12"); other names are kept as they are.
    static QString fileNameOf(const QString& device);

private:
    struct Handles;

    void startWaiting();
    void onArrival();
    void onWritten();
    void startWrite();
    // Takes what the driver holds; false when the device went away.
    bool drain();
    void lose(unsigned long error);

    PortTable m_table;
    int m_selected = 0;
    QString m_errorText;
    QByteArray m_received;
    QByteArray m_toWrite;
    std::unique_ptr<Handles> m_handles;
};

} // namespace korvane::platform
