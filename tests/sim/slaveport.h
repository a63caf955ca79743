// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>

class QSocketNotifier;

// The program's end of the cable in the tests: a device opened raw and non-blocking with plain
// POSIX calls; every byte that arrives is appended to received(), with the time it was read.
class SlavePort : public QObject
{
    Q_OBJECT

public:
    explicit SlavePort(QObject* parent = nullptr);
    ~SlavePort() override;

    bool open(const QString& path, QString* error);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    bool send(const QByteArray& bytes);
    bool send(quint8 byte) { return send(QByteArray(1, char(byte))); }

    const QByteArray& received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    // Reads what is waiting at this instant, bypassing the event loop; returns only those bytes.
    QByteArray readNow();
    // True once the device went away under the open descriptor (the meter was unplugged).
    bool isHungUp() const { return m_hungUp; }

    // Waits in the event loop until at least `count` bytes have been received in total.
    bool waitForBytes(qsizetype count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Nanoseconds on this port's clock; started when the port was constructed.
    qint64 now() const { return m_clock.nsecsElapsed(); }
    // When the read that brought the total to at least `count` bytes happened; -1 if never.
    qint64 reachedAt(qsizetype count) const;
    // How many bytes each read returned, in order.
    QList<qsizetype> readSizes() const;

signals:
    void bytesArrived();
    void hungUp();

private:
    struct Arrival
    {
        qint64 nsecs;
        qsizetype total;
    };

    void onReadable();
    qsizetype readAvailable();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_received;
    QList<Arrival> m_arrivals;
    bool m_hungUp = false;
    QElapsedTimer m_clock;
};
