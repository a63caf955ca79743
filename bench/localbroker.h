// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace korvane::bench {

// A Mosquitto broker of the benchmark's own on a free loopback port, anonymous and keeping
// nothing on disk; it can be killed and started again on the same port.
class LocalBroker
{
public:
    ~LocalBroker() { kill(); }

    // Writes its configuration into dir and starts; false unless it listens within 10 s.
    bool start(const QDir& dir)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        m_conf = dir.filePath(QStringLiteral("mosquitto.conf"));
        QFile file(m_conf);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n"
                                  "persistence false\n")
                       .arg(m_port)
                       .toUtf8());
        file.close();
        return startAgain();
    }

    bool startAgain()
    {
        m_process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), m_conf});
        if (!m_process.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (socket.waitForConnected(100))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(2000);
    }

    int port() const { return m_port; }

private:
    QProcess m_process;
    QString m_conf;
    int m_port = 0;
};

} // namespace korvane::bench
