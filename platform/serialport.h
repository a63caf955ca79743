// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

namespace korvane::platform {

// The one serial port the link talks through: COMn is chosen by number, then opened at
// 9600 8N1, raw bytes, no flow control.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    enum class OpenError { None, InUse, NoSuchPort, PermissionDenied, Other };

    using QObject::QObject;

    // Chooses the port the next open uses: n = 3 is COM3.
    virtual void selectPort(int n) = 0;
    // The device behind the selected port ("/dev/ttyUSB0"), empty when there is none.
    virtual QString deviceName() const = 0;
    virtual OpenError open() = 0;
    // What the last failed open said, for the user.
    virtual QString errorText() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual void write(QByteArrayView bytes) = 0;
    // Every byte that arrived and was not read yet; after deviceLost, what arrived before.
    virtual QByteArray readAll() = 0;
    virtual void discardInput() = 0;
    // Empties the transmit queue without dropping what was written: the command byte just
    // written still reaches the wire.
    virtual void discardOutput() = 0;

signals:
    // Bytes arrived on the open port; the link reads them and frames the answers itself.
    void bytesArrived();
    // The open device went away (cable pulled) and the port closed itself; what arrived
    // before is still readable.
    void deviceLost();
};

} // namespace korvane::platform
