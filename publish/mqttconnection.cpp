// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/mqttconnection.h"

#include "publish/settingfiles.h"

#include <QCoreApplication>
#include <QStringList>

#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

namespace korvane::publish {

namespace {
using Clock = std::chrono::steady_clock;

// Short, so that a broker gone silent is noticed within 15 s.
constexpr int kKeepAliveSeconds = 10;
constexpr int kLongestRetrySeconds = 10;
constexpr int kLoopMs = 100;

// The client threads still running. Never destroyed: a thread may outlive main().
struct RunningThreads
{
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
};
RunningThreads& runningThreads()
{
    static auto* threads = new RunningThreads;
    return *threads;
}

QString errorText(int rc)
{
#ifdef Q_OS_WIN
    // On Windows libmosquitto leaves a socket's WSA error (10000 and up) in errno, which the C
    // library has no text for; the system has.
    if (rc == MOSQ_ERR_ERRNO && errno >= 10000)
        return qt_error_string(errno).trimmed();
#endif
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

void initialiseLibrary()
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { mosquitto_lib_init(); });
}

using Kind = BrokerProblem::Kind;

// What a CONNACK refusal (MQTT 3.1.1) means for trying again.
Kind connackKind(int code)
{
    switch (code) {
    case 1:
        return Kind::ProtocolRefused;
    case 2:
        return Kind::ClientIdRefused;
    case 4:
    case 5:
        return Kind::CredentialsRefused;
    default:
        return Kind::Unavailable;
    }
}

// The reason in a line libmosquitto logged: "Error: host name verification failed." or
// "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed".
QString reasonIn(const QString& line)
{
    if (line.startsWith(QLatin1String("OpenSSL Error")))
        return line.section(u':', -1).trimmed();
    QString reason = line;
    if (reason.startsWith(QLatin1String("Error: ")))
        reason.remove(0, 7);
    if (reason.endsWith(u'.'))
        reason.chop(1);
    return reason;
}

// An attempt that ended with rc, told apart by what the broker answered and what was logged.
BrokerProblem problemOf(int rc, int connackRefusal, const QStringList& log, bool wasUp)
{
    if (connackRefusal != 0)
        return {connackKind(connackRefusal),
                QString::fromUtf8(mosquitto_connack_string(connackRefusal))};
    if (rc == MOSQ_ERR_TLS) {
        if (log.isEmpty())
            return {Kind::Tls, errorText(rc)};
        // The first line is the most telling: a host name refused comes before OpenSSL's
        // "certificate verify failed".
        for (const QString& line : log) {
            if (line.contains(QLatin1String("certificate verify failed")) ||
                line.contains(QLatin1String("host name verification failed")))
                return {Kind::CertificateRejected, reasonIn(log.first())};
            if (line.contains(QLatin1String("Unable to load CA certificates")))
                return {Kind::AuthorityUnusable, reasonIn(log.last())};
        }
        return {Kind::Tls, reasonIn(log.last())};
    }
    if (rc == MOSQ_ERR_KEEPALIVE)
        return {Kind::NoAnswer, QString()};
    return {wasUp ? Kind::Lost : Kind::Unreachable, errorText(rc)};
}
} // namespace

struct MqttConnection::Shared
{
    mosquitto* mosq = nullptr;
    QByteArray host;
    int port = 0;
    std::atomic<bool> up{false};
    std::mutex mutex;
    std::condition_variable wake;
    MqttConnection* owner = nullptr; // null once the owner is gone
    bool stopping = false;
    bool collecting = false; // PUBACKs are noted once finishing has begun
    std::set<int> taken;
    int finalMid = -1;
    Clock::time_point deadline;
    int connackRefusal = 0; // the broker's reason for refusing the last connect
    QStringList errorLog;   // libmosquitto's errors since the last attempt began

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

    bool shouldStop()
    {
        std::lock_guard lock(mutex);
        return stopping;
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
    initialiseLibrary();
    m_shared->owner = this;
}

MqttConnection::~MqttConnection()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->owner = nullptr;
        if (!m_shared->stopping) {
            m_shared->stopping = true;
            m_shared->deadline = Clock::now();
        }
        m_shared->wake.notify_all();
    }
}

bool MqttConnection::isConnected() const
{
    return m_shared->up;
}

// Every setter's result is checked: a value libmosquitto refuses must never mean a client that
// connects without it (a user name refused would connect anonymously).
QString MqttConnection::setUp(mosquitto* mosq, const BrokerAddress& broker,
                              const Credentials& credentials, const Will& will)
{
    const auto refused = [](const QString& what, int rc) {
        return QCoreApplication::translate("korvane::publish", "%1 cannot be used: %2")
            .arg(what, errorText(rc));
    };
    int rc = mosquitto_threaded_set(mosq, true);
    if (rc != MOSQ_ERR_SUCCESS)
        return refused(QCoreApplication::translate("korvane::publish", "a client thread"), rc);
    rc = mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (rc != MOSQ_ERR_SUCCESS)
        return refused(QStringLiteral("MQTT 3.1.1"), rc);
    // A frame is several small messages; Nagle would hold the last of them for an ACK.
    rc = mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1);
    if (rc != MOSQ_ERR_SUCCESS)
        return refused(QStringLiteral("TCP_NODELAY"), rc);
    const QByteArray user = credentials.username.toUtf8();
    const QByteArray password = credentials.password.toUtf8();
    if (!user.isEmpty()) {
        rc = mosquitto_username_pw_set(mosq, user.constData(),
                                       password.isEmpty() ? nullptr : password.constData());
        if (rc != MOSQ_ERR_SUCCESS)
            return refused(
                QCoreApplication::translate("korvane::publish", "the user name or password"), rc);
    }
    // A client without a topic of its own (a connection test) leaves no will.
    if (!will.topic.isEmpty()) {
        const QByteArray willTopic = will.topic.toUtf8();
        rc = mosquitto_will_set(mosq, willTopic.constData(), int(will.payload.size()),
                                will.payload.constData(), 1, true);
        if (rc != MOSQ_ERR_SUCCESS)
            return refused(QCoreApplication::translate("korvane::publish", "the status topic %1")
                               .arg(will.topic),
                           rc);
    }
    if (broker.tls) {
        if (!credentials.caFile.isEmpty()) {
            const QString problem = certificateAuthorityProblem(credentials.caFile);
            if (!problem.isEmpty())
                return QCoreApplication::translate(
                           "korvane::publish", "the certificate authority %1 cannot be used: %2")
                    .arg(credentials.caFile, problem);
        }
        const QByteArray ca = credentials.caFile.toLocal8Bit();
        rc =
            mosquitto_tls_set(mosq, ca.isEmpty() ? nullptr : ca.constData(),
                              ca.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return refused(
                QCoreApplication::translate("korvane::publish", "the certificate authority %1")
                    .arg(credentials.caFile),
                rc);
    }
    return {};
}

namespace {
mosquitto* newClient(const QString& clientId, void* data, QString* error)
{
    const QByteArray id = clientId.toUtf8();
    mosquitto* mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), true, data);
    // Short of memory, or an id libmosquitto refuses (its errno is not kept for that).
    if (!mosq)
        *error = errno == ENOMEM ? QCoreApplication::translate("korvane::publish",
                                                               "cannot make an MQTT client: ") +
                                       errorText(MOSQ_ERR_ERRNO)
                                 : QCoreApplication::translate(
                                       "korvane::publish",
                                       "the client id %1 cannot be used (it must be UTF-8 without "
                                       "control characters)")
                                       .arg(clientId);
    return mosq;
}
} // namespace

QString MqttConnection::settingsProblem(const BrokerAddress& broker, const Credentials& credentials,
                                        const QString& willTopic)
{
    initialiseLibrary();
    QString error;
    mosquitto* mosq = newClient(credentials.clientId, nullptr, &error);
    if (!mosq)
        return error;
    error = setUp(mosq, broker, credentials, {willTopic, QByteArray("offline")});
    mosquitto_destroy(mosq);
    return error;
}

bool MqttConnection::start()
{
    mosquitto* mosq = newClient(m_credentials.clientId, m_shared.get(), &m_error);
    if (!mosq)
        return false;
    m_shared->mosq = mosq;
    m_shared->host = m_broker.host.toUtf8();
    m_shared->port = m_broker.port;
    m_error = setUp(mosq, m_broker, m_credentials, m_will);
    if (!m_error.isEmpty())
        return false;
    mosquitto_connect_callback_set(mosq, [](mosquitto*, void* data, int rc) {
        auto* shared = static_cast<Shared*>(data);
        if (rc != 0) {
            std::lock_guard lock(shared->mutex);
            shared->connackRefusal = rc;
            return;
        }
        shared->up = true;
        shared->post([](MqttConnection* self) { emit self->connected(); });
    });
    mosquitto_disconnect_callback_set(
        mosq, [](mosquitto*, void* data, int) { static_cast<Shared*>(data)->up = false; });
    mosquitto_publish_callback_set(mosq, [](mosquitto*, void* data, int mid) {
        auto* shared = static_cast<Shared*>(data);
        std::lock_guard lock(shared->mutex);
        if (shared->collecting)
            shared->taken.insert(mid);
    });
    // libmosquitto returns only "a TLS error" and logs OpenSSL's reason.
    mosquitto_log_callback_set(mosq, [](mosquitto*, void* data, int level, const char* text) {
        if (level != MOSQ_LOG_ERR)
            return;
        auto* shared = static_cast<Shared*>(data);
        std::lock_guard lock(shared->mutex);
        shared->errorLog << QString::fromUtf8(text);
    });
    {
        std::lock_guard lock(runningThreads().mutex);
        ++runningThreads().count;
    }
    std::thread(&MqttConnection::run, m_shared).detach();
    return true;
}

// The client's thread: connect, run libmosquitto's loop a tenth of a second at a time (so a
// request to stop is seen at once), and after a loss wait 1, 2, 4, 8, 10 s between attempts.
void MqttConnection::run(std::shared_ptr<Shared> shared)
{
    int wait = 1;
    bool first = true;
    while (!shared->shouldStop()) {
        int rc = first ? mosquitto_connect(shared->mosq, shared->host.constData(), shared->port,
                                           kKeepAliveSeconds)
                       : mosquitto_reconnect(shared->mosq);
        first = false;
        bool endNow = false;
        while (rc == MOSQ_ERR_SUCCESS) {
            rc = mosquitto_loop(shared->mosq, kLoopMs, 1);
            std::lock_guard lock(shared->mutex);
            if (shared->stopping &&
                (shared->finalMid < 0 || shared->taken.count(shared->finalMid) > 0 ||
                 Clock::now() >= shared->deadline)) {
                endNow = true;
                break;
            }
        }
        if (endNow) {
            // The goodbye, so the broker keeps its will to itself.
            mosquitto_disconnect(shared->mosq);
            for (int i = 0; i < 10 && mosquitto_loop(shared->mosq, kLoopMs, 1) == MOSQ_ERR_SUCCESS;
                 ++i) {
            }
            break;
        }
        const bool wasUp = shared->up.exchange(false);
        if (wasUp)
            wait = 1; // it was connected: the waits start short again
        BrokerProblem problem;
        {
            std::lock_guard lock(shared->mutex);
            problem = problemOf(rc, shared->connackRefusal, shared->errorLog, wasUp);
            shared->connackRefusal = 0;
            shared->errorLog.clear();
        }
        if (!problem.permanent())
            problem.retryInSeconds = wait;
        shared->post([problem](MqttConnection* self) { emit self->disconnected(problem); });
        if (problem.permanent())
            break;
        std::unique_lock lock(shared->mutex);
        shared->wake.wait_for(lock, std::chrono::seconds(wait), [&] { return shared->stopping; });
        wait = std::min(wait * 2, kLongestRetrySeconds);
    }
    shared->up = false;
    shared.reset(); // the client is destroyed here if its owner has gone
    RunningThreads& threads = runningThreads();
    std::lock_guard lock(threads.mutex);
    --threads.count;
    threads.ended.notify_all();
}

MqttConnection::Handed MqttConnection::publish(const QString& topic, const QByteArray& payload,
                                               int qos, bool retain)
{
    if (m_finishing || !m_shared->mosq)
        return Handed::Refused;
    if (!m_shared->up)
        return Handed::NotNow;
    const QByteArray t = topic.toUtf8();
    const int rc = mosquitto_publish(m_shared->mosq, nullptr, t.constData(), int(payload.size()),
                                     payload.constData(), qos, retain);
    if (rc == MOSQ_ERR_SUCCESS)
        return Handed::Sent;
    // At QoS 1 libmosquitto keeps what it could not send and sends it after reconnecting.
    if (rc == MOSQ_ERR_NO_CONN)
        return qos > 0 ? Handed::Sent : Handed::NotNow;
    return Handed::Refused;
}

void MqttConnection::finish(const QString& topic, const QByteArray& payload, int timeoutMs)
{
    if (m_finishing || !m_shared->mosq)
        return;
    m_finishing = true;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->collecting = true;
    }
    int mid = -1;
    if (m_shared->up && !topic.isEmpty()) {
        const QByteArray t = topic.toUtf8();
        if (mosquitto_publish(m_shared->mosq, &mid, t.constData(), int(payload.size()),
                              payload.constData(), 1, true) != MOSQ_ERR_SUCCESS)
            mid = -1;
    }
    std::lock_guard lock(m_shared->mutex);
    m_shared->finalMid = mid;
    m_shared->deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    m_shared->stopping = true;
    m_shared->wake.notify_all();
}

bool MqttConnection::waitForAllToEnd(int timeoutMs)
{
    RunningThreads& threads = runningThreads();
    std::unique_lock lock(threads.mutex);
    return threads.ended.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return threads.count == 0; });
}

} // namespace korvane::publish
