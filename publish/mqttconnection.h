// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/brokeraddress.h"

#include <QByteArray>
#include <QObject>

#include <QMetaType>

#include <memory>

struct mosquitto;

namespace korvane::publish {

struct Credentials
{
    QString clientId;
    QString username;
    QString password;
    QString caFile; // empty: the system's certificate authorities
};

// Why the broker cannot be reached, as data: the front ends choose the words. Permanent problems
// would come back unchanged on every attempt, so the client stops at them; the others are tried
// again after the current wait.
struct BrokerProblem
{
    enum class Kind {
        // Tried again:
        Unreachable, // no connection to be had (refused, name lookup, network)
        Lost,        // the connection dropped
        NoAnswer,    // the broker took the connection and said nothing within the keepalive
        Unavailable, // the broker said it cannot serve clients now
        Tls,         // a TLS failure other than the broker's certificate
        // Permanent:
        CredentialsRefused,  // the user name or password
        ClientIdRefused,     // the client id
        ProtocolRefused,     // MQTT 3.1.1
        CertificateRejected, // the broker's certificate failed verification
        AuthorityUnusable,   // the certificate authority file could not be loaded
    };
    Kind kind = Kind::Unreachable;
    QString detail;         // libmosquitto's, OpenSSL's or the system's own text
    int retryInSeconds = 0; // when the next attempt comes; 0 when permanent

    bool permanent() const { return kind >= Kind::CredentialsRefused; }
};

// One libmosquitto client on a thread of its own: connecting (name lookup and TLS included),
// the network and reconnecting with backoff all happen there, and what the caller must know
// comes back as queued calls. Nothing here makes the caller's thread wait for the network,
// finishing included; publish() may be called at any time.
class MqttConnection : public QObject
{
    Q_OBJECT
public:
    // The last will: what the broker publishes, retained, when we vanish without a goodbye.
    struct Will
    {
        QString topic;
        QByteArray payload;
    };

    enum class Handed {
        Sent,    // on its way (or, at QoS 1, kept by libmosquitto until the broker has it)
        NotNow,  // no connection: keep it and try again once connected
        Refused, // never sendable (a bad topic, too big): drop it
    };

    MqttConnection(BrokerAddress broker, Credentials credentials, Will will,
                   QObject* parent = nullptr);
    // Finishes without a last message if finish() was not called; never waits.
    ~MqttConnection() override;

    // False, with why in error(), when the client cannot even be set up: libmosquitto refused a
    // setting (a user name that is not valid UTF-8, a client id too long) or the certificate
    // authority file cannot be used.
    bool start();
    // The same checks without a client left behind, for settings before they are used.
    static QString settingsProblem(const BrokerAddress& broker, const Credentials& credentials,
                                   const QString& willTopic);
    Handed publish(const QString& topic, const QByteArray& payload, int qos, bool retain);
    // Publishes a last retained message at QoS 1 (none for an empty topic) and ends: the client's
    // thread disconnects once the broker has taken it, or after timeoutMs. Returns at once.
    void finish(const QString& topic, const QByteArray& payload, int timeoutMs);
    // For a program on its way out, once its connections are finished or destroyed: waits up to
    // timeoutMs for every client's thread to end, so that no goodbye is cut off and no client is
    // still on the network while the process tears down.
    static bool waitForAllToEnd(int timeoutMs);

    bool isConnected() const;
    QString error() const { return m_error; }

signals:
    void connected();
    // Not connected (any more), and why; a permanent problem ends the client's attempts.
    void disconnected(const korvane::publish::BrokerProblem& problem);

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);
    static QString setUp(mosquitto* mosq, const BrokerAddress& broker,
                         const Credentials& credentials, const Will& will);

    BrokerAddress m_broker;
    Credentials m_credentials;
    Will m_will;
    QString m_error;
    bool m_finishing = false;
    // What the client's thread holds too; it outlives this object until that thread ends.
    std::shared_ptr<Shared> m_shared;
};

} // namespace korvane::publish

Q_DECLARE_METATYPE(korvane::publish::BrokerProblem)
