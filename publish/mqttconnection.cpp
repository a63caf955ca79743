// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/mqttconnection.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

namespace korvane::publish {

namespace {
constexpr int kKeepAliveSeconds = 30;
constexpr int kLongestRetrySeconds = 10;

QString errorText(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}
} // namespace

struct MqttConnection::Shared
{
    mosquitto* mosq = nullptr;
    QByteArray host;
    int port = 0;
    std::mutex mutex;
    std::condition_variable wake;
    MqttConnection* owner = nullptr; // null once the owner is gone
    bool stopping = false;
    bool done = false;
    bool collectAcks = false;
    std::set<int> acked;
    std::thread thread;

    // Hands a call to the owner's thread while the owner still exists; Qt drops the call if the
    // owner goes before it runs.
    template <typename F> void post(F call)
    {
        std::lock_guard lock(mutex);
        if (owner)
            QMetaObject::invokeMethod(
                owner, [self = owner, call = std::move(call)] { call(self); },
                Qt::QueuedConnection);
    }

    ~Shared()
    {
        if (mosq)
            mosquitto_destroy(mosq);
    }
};

MqttConnection::MqttConnection(BrokerAddress broker, Credentials credentials, Will will,
                               QObject* parent)
    : QObject(parent), m_broker(std::move(broker)), m_credentials(std::move(credentials)),
      m_will(std::move(will)), m_shared(std::make_shared<Shared>())
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { mosquitto_lib_init(); });
    m_shared->owner = this;
}

MqttConnection::~MqttConnection()
{
    stopThread(1000);
    std::lock_guard lock(m_shared->mutex);
    m_shared->owner = nullptr;
}

bool MqttConnection::start()
{
    const QByteArray id = m_credentials.clientId.toUtf8();
    mosquitto* mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), true, m_shared.get());
    if (!mosq) {
        m_error = QStringLiteral("cannot make an MQTT client: ") + errorText(MOSQ_ERR_ERRNO);
        return false;
    }
    m_shared->mosq = mosq;
    m_shared->host = m_broker.host.toUtf8();
    m_shared->port = m_broker.port;
    mosquitto_threaded_set(mosq, true);
    mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // A frame is several small messages; Nagle would hold the last of them for an ACK.
    mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_reconnect_delay_set(mosq, 1, kLongestRetrySeconds, true);
    const QByteArray user = m_credentials.username.toUtf8();
    const QByteArray password = m_credentials.password.toUtf8();
    if (!user.isEmpty())
        mosquitto_username_pw_set(mosq, user.constData(),
                                  password.isEmpty() ? nullptr : password.constData());
    const QByteArray willTopic = m_will.topic.toUtf8();
    mosquitto_will_set(mosq, willTopic.constData(), int(m_will.payload.size()),
                       m_will.payload.constData(), 1, true);
    if (m_broker.tls) {
        const QByteArray ca = m_credentials.caFile.toLocal8Bit();
        const int rc = mosquitto_tls_set(mosq, ca.isEmpty() ? nullptr : ca.constData(),
                                         ca.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr,
                                         nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            m_error = QStringLiteral("cannot use the certificate authority %1: %2")
                          .arg(m_credentials.caFile, errorText(rc));
            return false;
        }
    }
    mosquitto_connect_callback_set(mosq, [](mosquitto*, void* data, int rc) {
        auto* shared = static_cast<Shared*>(data);
        if (rc == 0) {
            shared->post([](MqttConnection* self) {
                self->m_connected = true;
                emit self->connected();
            });
        } else {
            const QString why = QString::fromUtf8(mosquitto_connack_string(rc));
            shared->post([why](MqttConnection* self) {
                self->m_connected = false;
                emit self->disconnected(why);
            });
        }
    });
    mosquitto_disconnect_callback_set(mosq, [](mosquitto*, void* data, int rc) {
        auto* shared = static_cast<Shared*>(data);
        const QString why = rc == 0 ? QStringLiteral("disconnected") : errorText(rc);
        shared->post([why](MqttConnection* self) {
            self->m_connected = false;
            emit self->disconnected(why);
        });
    });
    mosquitto_publish_callback_set(mosq, [](mosquitto*, void* data, int mid) {
        auto* shared = static_cast<Shared*>(data);
        std::lock_guard lock(shared->mutex);
        if (shared->collectAcks) {
            shared->acked.insert(mid);
            shared->wake.notify_all();
        }
    });
    m_shared->thread = std::thread(&MqttConnection::run, m_shared);
    return true;
}

// The client's thread: connect, then let libmosquitto's loop run and reconnect; when it gives
// up (a refused or failed connection), wait and start again.
void MqttConnection::run(std::shared_ptr<Shared> shared)
{
    int wait = 1;
    for (;;) {
        {
            std::lock_guard lock(shared->mutex);
            if (shared->stopping)
                break;
        }
        int rc = mosquitto_connect(shared->mosq, shared->host.constData(), shared->port,
                                   kKeepAliveSeconds);
        if (rc == MOSQ_ERR_SUCCESS) {
            wait = 1;
            rc = mosquitto_loop_forever(shared->mosq, 200, 1);
        }
        const QString why = QStringLiteral("%1; retrying in %2 s").arg(errorText(rc)).arg(wait);
        {
            std::lock_guard lock(shared->mutex);
            if (shared->stopping)
                break;
        }
        shared->post([why](MqttConnection* self) {
            self->m_connected = false;
            emit self->disconnected(why);
        });
        std::unique_lock lock(shared->mutex);
        shared->wake.wait_for(lock, std::chrono::seconds(wait), [&] { return shared->stopping; });
        wait = std::min(wait * 2, kLongestRetrySeconds);
    }
    std::lock_guard lock(shared->mutex);
    shared->done = true;
    shared->wake.notify_all();
}

bool MqttConnection::publish(const QString& topic, const QByteArray& payload, int qos,
                             bool retain)
{
    if (!m_connected || !m_shared->mosq)
        return false;
    const QByteArray t = topic.toUtf8();
    return mosquitto_publish(m_shared->mosq, nullptr, t.constData(), int(payload.size()),
                             payload.constData(), qos, retain) == MOSQ_ERR_SUCCESS;
}

void MqttConnection::finish(const QString& topic, const QByteArray& payload, int timeoutMs)
{
    if (m_connected && m_shared->mosq) {
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->collectAcks = true;
        }
        int mid = 0;
        const QByteArray t = topic.toUtf8();
        if (mosquitto_publish(m_shared->mosq, &mid, t.constData(), int(payload.size()),
                              payload.constData(), 1, true) == MOSQ_ERR_SUCCESS) {
            std::unique_lock lock(m_shared->mutex);
            m_shared->wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&] { return m_shared->acked.count(mid) > 0; });
        }
    }
    stopThread(timeoutMs);
}

void MqttConnection::stopThread(int timeoutMs)
{
    if (!m_shared->thread.joinable())
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        m_shared->wake.notify_all();
    }
    mosquitto_disconnect(m_shared->mosq);
    std::unique_lock lock(m_shared->mutex);
    const bool done = m_shared->wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                              [&] { return m_shared->done; });
    lock.unlock();
    // A thread stuck in a name lookup or a connect finishes on its own; it holds the shared part.
    if (done)
        m_shared->thread.join();
    else
        m_shared->thread.detach();
    m_connected = false;
}

} // namespace korvane::publish
