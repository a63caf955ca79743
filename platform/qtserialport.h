// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/porttable.h"
#include "platform/serialport.h"

#include <QSerialPort>

namespace korvane::platform {

// The serial port over QSerialPort at 9600 8N1, no flow control, raw bytes.
class QtSerialPort : public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPort(PortTable table, QObject* parent = nullptr);

    // Selecting COM1 reads the system's device table again, so a cable plugged in after start
    // is found within one search cycle.
    void selectPort(int n) override;
    QString deviceName() const override;
    OpenError open() override;
    QString errorText() const override { return m_errorText; }
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }

    void write(QByteArrayView bytes) override;
    QByteArray readAll() override;
    void discardInput() override;
    void discardOutput() override;

private:
    void onError(QSerialPort::SerialPortError error);
    // Whether the open device has gone away under its descriptor.
    bool hungUp();

    PortTable m_table;
    QSerialPort m_port;
    int m_selected = 0;
    QString m_errorText;
    // What arrived and was not read yet; still there after the device went away.
    QByteArray m_received;
};

} // namespace korvane::platform
