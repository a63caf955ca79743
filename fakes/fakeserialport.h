// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialport.h"

#include <QList>
#include <QMap>

namespace korvane::fakes {

// A scriptable serial port for tests: which ports open, what the meter sends, what was written.
class FakeSerialPort : public platform::SerialPort
{
    Q_OBJECT
public:
    using platform::SerialPort::SerialPort;

    // Ports not set here do not exist.
    void setOpenResult(int n, OpenError result) { m_results[n] = result; }

    void selectPort(int n) override { m_selected = n; }
    int selectedPort() const { return m_selected; }
    QString deviceName() const override { return QStringLiteral("/dev/fake%1").arg(m_selected); }
    OpenError open() override;
    QString errorText() const override { return m_errorText; }
    void close() override;
    bool isOpen() const override { return m_open; }

    void write(QByteArrayView bytes) override;
    QByteArray readAll() override;
    void discardInput() override;
    void discardOutput() override { ++m_outputDiscards; }

    // Bytes from the meter; dropped when no port is open, as on a real line.
    void feed(const QByteArray& bytes);
    // The cable is pulled: the port closes itself, keeping what arrived readable.
    void unplug();

    QByteArray written() const { return m_written; }
    QByteArray takeWritten() { return std::exchange(m_written, {}); }
    QList<int> openedPorts() const { return m_opened; }
    int closes() const { return m_closes; }
    int inputDiscards() const { return m_inputDiscards; }
    int outputDiscards() const { return m_outputDiscards; }

private:
    QMap<int, OpenError> m_results;
    int m_selected = 0;
    bool m_open = false;
    QString m_errorText;
    QByteArray m_input;
    QByteArray m_written;
    QList<int> m_opened;
    int m_closes = 0;
    int m_inputDiscards = 0;
    int m_outputDiscards = 0;
};

} // namespace korvane::fakes
