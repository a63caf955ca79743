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
// comes back as queued calls, so nothing here ever makes the event loop wait. publish() may be
// called from the caller's thread at any time.
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

    MqttConnection(BrokerAddress broker, Credentials credentials, Will will,
                   QObject* parent = nullptr);
    ~MqttConnection() override;

    // False, with why in error(), when the client cannot even be set up (a bad CA file).
    bool start();
    // False when the message could not be handed to the connection (not connected now).
    bool publish(const QString& topic, const QByteArray& payload, int qos, bool retain);
    // Publishes a last message at QoS 1, waits up to timeoutMs for the broker to take it (so
    // everything before it is through), then disconnects and ends the thread.
    void finish(const QString& topic, const QByteArray& payload, int timeoutMs);

    bool isConnected() const { return m_connected; }
    QString error() const { return m_error; }

signals:
    void connected();
    void disconnected(const QString& why);

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);
    void stopThread(int timeoutMs);

    BrokerAddress m_broker;
    Credentials m_credentials;
    Will m_will;
    bool m_connected = false; // as this thread last heard
    QString m_error;
    // What the client's thread holds too; it outlives this object if that thread is stuck in a
    // name lookup or a connect when we go.
    std::shared_ptr<Shared> m_shared;
};

} // namespace korvane::publish
