// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <utility>

namespace korvane::testing {

struct BrokerOptions
{
    bool tls = false; // a CA and a server certificate for 127.0.0.1 and localhost
    QString user;     // with a user: a password file, and no anonymous clients
    QString password;
    QString certifiedName; // the only name its certificate holds; empty: 127.0.0.1 and localhost
};

// A real Mosquitto broker on a free loopback port, with a configuration and files of its own.
class Broker
{
public:
    explicit Broker(BrokerOptions options = {}) : m_options(std::move(options)), m_port(freePort())
    {}
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;
    ~Broker() { kill(); }

    // Writes the configuration, certificates and password file; start() does it when needed.
    bool prepare()
    {
        if (!m_config.isEmpty())
            return true;
        if (!m_dir.isValid() || m_port == 0)
            return false;
        QStringList lines{QStringLiteral("listener %1 127.0.0.1").arg(m_port),
                          QStringLiteral("persistence false"), QStringLiteral("log_dest stderr")};
        // Started as root, Mosquitto would switch to a user who cannot read the temporary dir.
        if (::geteuid() == 0)
            lines << QStringLiteral("user root");
        if (m_options.tls) {
            if (!makeCertificates())
                return false;
            lines << "cafile " + caFile() << "certfile " + path("server.crt")
                  << "keyfile " + path("server.key") << QStringLiteral("require_certificate false");
        }
        if (m_options.user.isEmpty()) {
            lines << QStringLiteral("allow_anonymous true");
        } else {
            const QString file = path("passwords");
            const ProcessResult made =
                runProgram(QStringLiteral("mosquitto_passwd"),
                           {"-b", "-c", file, m_options.user, m_options.password}, 10000);
            if (made.exitCode != 0)
                return false;
            lines << QStringLiteral("allow_anonymous false") << "password_file " + file;
        }
        if (!writeFile(path("mosquitto.conf"), lines.join(u'\n').toUtf8() + '\n'))
            return false;
        m_config = path("mosquitto.conf");
        return true;
    }

    // Returns once the port takes connections; a broker that exits (bad config, port taken) fails.
    bool start()
    {
        if (!prepare())
            return false;
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/usr/sbin/mosquitto"), {"-c", m_config});
        if (!m_process.waitForStarted(5000))
            return false;
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (probe.waitForConnected(500))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    // SIGKILL: clients see their connection drop, nothing is said goodbye.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
        log();
    }

    // The same port and configuration; retained messages are gone (no persistence).
    bool restart()
    {
        kill();
        return start();
    }

    int port() const { return m_port; }
    QString caFile() const { return m_options.tls ? path("ca.crt") : QString(); }
    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(m_options.tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"))
            .arg(m_port);
    }
    // What mosquitto_sub and mosquitto_pub need to reach this broker.
    QStringList clientArgs() const
    {
        QStringList args{"-h", "127.0.0.1", "-p", QString::number(m_port)};
        if (m_options.tls)
            args << "--cafile" << caFile();
        if (!m_options.certifiedName.isEmpty())
            args << "--insecure"; // the test's own clients need not check the name

        if (!m_options.user.isEmpty())
            args << "-u" << m_options.user << "-P" << m_options.password;
        return args;
    }
    // Everything the broker logged so far, for failure messages.
    QString log()
    {
        m_log += QString::fromUtf8(m_process.readAll());
        return m_log;
    }

private:
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    static bool writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    static int freePort()
    {
        QTcpServer server;
        return server.listen(QHostAddress::LocalHost, 0) ? int(server.serverPort()) : 0;
    }

    // EC keys keep this to a fraction of a second.
    bool makeCertificates() const
    {
        const QString ext = path("server.ext");
        const QByteArray names = m_options.certifiedName.isEmpty()
                                     ? QByteArray("IP:127.0.0.1,DNS:localhost")
                                     : "DNS:" + m_options.certifiedName.toUtf8();
        if (!writeFile(ext, "subjectAltName=" + names +
                                "\nbasicConstraints=CA:FALSE\n"
                                "keyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n"))
            return false;
        const QList<QStringList> steps{
            {"ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", path("ca.key")},
            {"req", "-x509", "-new", "-key", path("ca.key"), "-sha256", "-days", "2", "-subj",
             "/CN=korvane test CA", "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
             "keyUsage=critical,keyCertSign,cRLSign", "-out", path("ca.crt")},
            {"ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", path("server.key")},
            {"req", "-new", "-key", path("server.key"), "-subj", "/CN=localhost", "-out",
             path("server.csr")},
            {"x509", "-req", "-in", path("server.csr"), "-CA", path("ca.crt"), "-CAkey",
             path("ca.key"), "-set_serial", "1", "-days", "2", "-sha256", "-extfile", ext, "-out",
             path("server.crt")}};
        for (const QStringList& step : steps) {
            if (runProgram(QStringLiteral("openssl"), step, 10000).exitCode != 0)
                return false;
        }
        return true;
    }

    BrokerOptions m_options;
    int m_port = 0;
    QTemporaryDir m_dir;
    QString m_config;
    QProcess m_process;
    QString m_log;
};

// One message as a subscriber got it; retained is set only for what was stored before it
// subscribed.
struct Message
{
    QString topic;
    bool retained = false;
    int qos = 0;
    QByteArray payload;
};

// mosquitto_sub on one topic filter, collecting messages as they arrive (the event loop must run,
// as it does in QTRY_*).
class Subscriber
{
public:
    Subscriber(const Broker& broker, QString filter, int qos = 0)
        : m_args(broker.clientArgs()), m_filter(std::move(filter)), m_qos(qos)
    {}
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;
    ~Subscriber()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    // Returns once the broker has taken the subscription: a retained probe on a topic of this
    // subscriber's own comes back, after anything retained under the filter.
    bool start()
    {
        static int probes = 0;
        m_probe = QStringLiteral("korvane-test/ready/%1-%2")
                      .arg(QCoreApplication::applicationPid())
                      .arg(++probes);
        const ProcessResult probe =
            runProgram(QStringLiteral("mosquitto_pub"),
                       m_args + QStringList{"-t", m_probe, "-m", "1", "-r"}, 10000);
        if (probe.exitCode != 0)
            return false;
        // Hex payloads and tab-separated fields: nothing a payload holds can break a line.
        m_process.start(QStringLiteral("mosquitto_sub"),
                        m_args + QStringList{"-t", m_filter, "-t", m_probe, "-q",
                                             QString::number(m_qos), "-F", "%r\\t%q\\t%t\\t%x"});
        if (!m_process.waitForStarted(5000))
            return false;
        const QDeadlineTimer deadline(10000);
        while (!m_ready && !deadline.hasExpired() && m_process.state() == QProcess::Running) {
            m_process.waitForReadyRead(100);
            collect();
        }
        return m_ready;
    }

    QList<Message> messages()
    {
        collect();
        return m_messages;
    }
    QList<QByteArray> payloads(const QString& topic)
    {
        QList<QByteArray> found;
        for (const Message& m : messages()) {
            if (m.topic == topic)
                found << m.payload;
        }
        return found;
    }

private:
    void collect()
    {
        m_pending += m_process.readAllStandardOutput();
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            const QList<QByteArray> fields = m_pending.left(end).split('\t');
            m_pending.remove(0, end + 1);
            if (fields.size() != 4)
                continue;
            Message m{QString::fromUtf8(fields[2]), fields[0] == "1", fields[1].toInt(),
                      QByteArray::fromHex(fields[3])};
            if (m.topic == m_probe)
                m_ready = true;
            else
                m_messages << m;
        }
    }

    QStringList m_args;
    QString m_filter;
    int m_qos = 0;
    QString m_probe;
    bool m_ready = false;
    QProcess m_process;
    QByteArray m_pending;
    QList<Message> m_messages;
};

} // namespace korvane::testing
