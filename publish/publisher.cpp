// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/publisher.h"

#include "datalog/fields.h"
#include "datalog/jsonlformat.h"
#include "publish/topics.h"

namespace korvane::publish {

namespace {
const QByteArray kOnline = "online";
const QByteArray kOffline = "offline";
} // namespace

Publisher::Publisher(session::MeterSession& session, PublishOptions options, QObject* parent)
    : QObject(parent), m_session(session), m_options(std::move(options)),
      m_prefix(m_options.prefix)
{
    using session::MeterSession;
    connect(&session, &MeterSession::linked, this,
            [this](int, const QString& device) { onLinked(device); });
    connect(&session, &MeterSession::linkLost, this, [this] { publishMeterStatus(false); });
    connect(&session, &MeterSession::readingReceived, this, &Publisher::onReading);
    // Started while the meter is linked already: no linked() will come.
    if (session.isLinked())
        onLinked(session.device());
}

Publisher::~Publisher()
{
    finish(1000);
}

void Publisher::onLinked(const QString& device)
{
    if (m_finished)
        return;
    if (!m_connection) {
        m_meterId = meterIdOf(device, m_session.serialNumberOf(device));
        if (m_prefix.isEmpty())
            m_prefix = QStringLiteral("korvane/") + m_meterId;
        Credentials credentials = m_options.credentials;
        if (credentials.clientId.isEmpty())
            credentials.clientId = QStringLiteral("korvane-") + m_meterId;
        m_connection = std::make_unique<MqttConnection>(
            m_options.broker, credentials,
            MqttConnection::Will{m_prefix + QStringLiteral("/status"), kOffline});
        connect(m_connection.get(), &MqttConnection::connected, this,
                &Publisher::onBrokerConnected);
        connect(m_connection.get(), &MqttConnection::disconnected, this, [this](const QString& why) {
            if (!m_finished)
                setStatus(QStringLiteral("retrying: ") + why);
        });
        if (!m_connection->start()) {
            setStatus(m_connection->error());
            emit failed(m_connection->error());
            return;
        }
        setStatus(QStringLiteral("connecting to ") + m_options.broker.text());
    }
    publishMeterStatus(true);
}

void Publisher::publishMeterStatus(bool online)
{
    m_meterOnline = online;
    // Otherwise it is said as soon as the broker is reached.
    if (brokerConnected())
        enqueue({m_prefix + QStringLiteral("/status"), online ? kOnline : kOffline, 1, true});
}

void Publisher::onReading(const measure::Reading& reading)
{
    if (!m_connection || m_finished)
        return;
    const QString nodeId = QStringLiteral("korvane_") + m_meterId;
    for (const measure::Quantity& q : reading.values()) {
        if (!q.hasValue())
            continue;
        if (m_options.haDiscovery && m_announced.insert(q.key).second)
            enqueue({discoveryTopic(nodeId, q.key),
                     discoveryConfig(q.key, m_prefix, nodeId, m_meterId), 1, true});
        QByteArray number;
        datalog::appendNumber(number, q.value);
        enqueue({m_prefix + u'/' + measure::keyInfo(q.key).name.toString(), number,
                 m_options.qos, false});
    }
    datalog::JsonlFormat json;
    QByteArray state = json.frame(reading);
    state.chop(1); // the line end
    enqueue({m_prefix + QStringLiteral("/state"), state, m_options.qos, false});
}

// A broker that lost us has published the will: the meter's status is said again, and the
// configs too, in case the broker kept nothing.
void Publisher::onBrokerConnected()
{
    setStatus(QStringLiteral("connected to ") + m_options.broker.text());
    std::deque<Message> first;
    first.push_back({m_prefix + QStringLiteral("/status"), m_meterOnline ? kOnline : kOffline, 1,
                     true});
    const QString nodeId = QStringLiteral("korvane_") + m_meterId;
    for (measure::Key key : m_announced)
        first.push_back(
            {discoveryTopic(nodeId, key), discoveryConfig(key, m_prefix, nodeId, m_meterId), 1,
             true});
    m_queue.insert(m_queue.begin(), first.begin(), first.end());
    flush();
}

void Publisher::enqueue(Message message)
{
    m_queue.push_back(std::move(message));
    if (m_queue.size() > m_options.queueLimit) {
        m_queue.pop_front();
        ++m_dropped;
        showStatus();
    }
    flush();
}

void Publisher::flush()
{
    while (!m_queue.empty() && m_connection && m_connection->isConnected()) {
        const Message& m = m_queue.front();
        if (!m_connection->publish(m.topic, m.payload, m.qos, m.retain))
            break;
        m_queue.pop_front();
    }
}

void Publisher::setStatus(const QString& text)
{
    m_brokerState = text;
    showStatus();
}

void Publisher::showStatus()
{
    QString text = QStringLiteral("broker: ") + m_brokerState;
    if (m_dropped > 0)
        text += QStringLiteral(" (%1 messages dropped)").arg(m_dropped);
    if (text == m_status)
        return;
    m_status = text;
    emit statusChanged(m_status);
}

void Publisher::finish(int timeoutMs)
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_connection)
        return;
    flush();
    m_connection->finish(m_prefix + QStringLiteral("/status"), kOffline, timeoutMs);
}

} // namespace korvane::publish
