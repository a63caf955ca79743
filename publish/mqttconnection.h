// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/brokeraddress.h"

#include <QByteArray>
#include <QObject>

#include <memory>

namespace korvane::publish {

struct Credentials
{
    QString clientId;
    QString username;
    QString password;
    QString caFile; // empty: the system's certificate authorities
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

    // False, with why in error(), when the client cannot even be set up (a bad CA file).
    bool start();
    Handed publish(const QString& topic, const QByteArray& payload, int qos, bool retain);
    // Publishes a last retained message at QoS 1 and ends: the client's thread disconnects once
    // the broker has taken it, or after timeoutMs. Returns at once.
    void finish(const QString& topic, const QByteArray& payload, int timeoutMs);
    // For a program on its way out, once its connections are finished or destroyed: waits up to
    // timeoutMs for every client's thread to end, so that no goodbye is cut off and no client is
    // still on the network while the process tears down.
    static bool waitForAllToEnd(int timeoutMs);

    bool isConnected() const;
    QString error() const { return m_error; }

signals:
    void connected();
    void disconnected(const QString& why);

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);

    BrokerAddress m_broker;
    Credentials m_credentials;
    Will m_will;
    QString m_error;
    bool m_finishing = false;
    // What the client's thread holds too; it outlives this object until that thread ends.
    std::shared_ptr<Shared> m_shared;
};

} // namespace korvane::publish
