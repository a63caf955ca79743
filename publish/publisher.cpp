// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/publisher.h"

#include "datalog/fields.h"
#include "datalog/jsonlformat.h"
#include "publish/topics.h"

#include <QCoreApplication>

namespace korvane::publish {

namespace {
const QByteArray kOnline = "online";
const QByteArray kOffline = "offline";
constexpr int kDropsShownEveryMs = 1000;
} // namespace

Publisher::Publisher(session::MeterSession& session, PublishOptions options, QObject* parent)
    : QObject(parent), m_session(session), m_options(std::move(options)), m_prefix(m_options.prefix)
{
    using session::MeterSession;
    connect(&session, &MeterSession::linked, this,
            [this](int, const QString& device) { onLinked(device); });
    connect(&session, &MeterSession::linkLost, this, [this] { publishMeterStatus(false); });
    connect(&session, &MeterSession::readingReceived, this, &Publisher::onReading);
    m_dropsLater.setSingleShot(true);
    connect(&m_dropsLater, &QTimer::timeout, this, &Publisher::showStatus);
    session.holdLiveReadings(this);
    // Started while the meter is linked already: no linked() will come.
    if (session.isLinked())
        onLinked(session.device());
}

// The session, if it is still there, lets go of a consumer that is destroyed.
Publisher::~Publisher()
{
    sayGoodbye(1000);
}

void Publisher::onLinked(const QString& device)
{
    if (m_finished || m_failed)
        return;
    if (!m_connection) {
        m_meterId = meterIdOf(device, m_session.serialNumberOf(device));
        if (m_prefix.isEmpty())
            m_prefix = QStringLiteral("korvane/") + m_meterId;
        Credentials credentials = m_options.credentials;
        // Unique per run, so a client still saying goodbye never takes over from its successor.
        if (credentials.clientId.isEmpty())
            credentials.clientId = QStringLiteral("korvane-%1-%2")
                                       .arg(m_meterId)
                                       .arg(QCoreApplication::applicationPid());
        m_connection = std::make_unique<MqttConnection>(
            m_options.broker, credentials,
            MqttConnection::Will{m_prefix + QStringLiteral("/status"), kOffline});
        connect(m_connection.get(), &MqttConnection::connected, this,
                &Publisher::onBrokerConnected);
        connect(m_connection.get(), &MqttConnection::disconnected, this,
                &Publisher::onBrokerProblem);
        if (!m_connection->start()) {
            m_failed = true;
            m_session.releaseLiveReadings(this);
            m_state.failure = m_connection->error();
            setPhase(PublishState::Phase::Failed);
            setStatus(m_connection->error());
            emit failed(m_connection->error());
            return;
        }
        setPhase(PublishState::Phase::Connecting);
        setStatus(QStringLiteral("connecting to ") + m_options.broker.text());
    }
    publishMeterStatus(true);
}

// Said when it changes and again on every connect, never queued: a queued status could reach
// the broker after a newer one.
void Publisher::publishMeterStatus(bool online)
{
    if (online == m_meterOnline)
        return;
    m_meterOnline = online;
    if (brokerConnected() && !m_finished)
        m_connection->publish(m_prefix + QStringLiteral("/status"), online ? kOnline : kOffline, 1,
                              true);
}

void Publisher::setDerived(std::vector<datalog::DerivedColumn> columns, DerivedOf derivedOf)
{
    m_derived = std::move(columns);
    m_derivedOf = std::move(derivedOf);
}

void Publisher::setAlarms(const std::vector<AlarmTopic>& alarms)
{
    m_alarms = alarms;
    for (const AlarmTopic& alarm : alarms)
        m_alarmRaised.try_emplace(alarm.id, false);
}

// Like the status, an alarm's state goes out at once, never queued behind readings.
void Publisher::setAlarm(const QString& id, bool raised)
{
    const auto it = m_alarmRaised.find(id);
    if (it == m_alarmRaised.end() || it->second == raised)
        return;
    it->second = raised;
    if (!brokerConnected() || m_finished)
        return;
    for (const AlarmTopic& alarm : m_alarms) {
        if (alarm.id == id)
            publishAlarm(alarm);
    }
}

void Publisher::publishAlarm(const AlarmTopic& alarm)
{
    m_connection->publish(m_prefix + QStringLiteral("/alarm/") + alarm.id,
                          m_alarmRaised[alarm.id] ? QByteArray("ON") : QByteArray("OFF"), 1, true);
}

void Publisher::onReading(const measure::Reading& reading)
{
    if (!m_connection || m_finished || m_failed)
        return;
    const QString nodeId = QStringLiteral("korvane_") + m_meterId;
    for (const measure::Quantity& q : reading.values()) {
        if (!q.hasValue())
            continue;
        // Announced now if the broker is there, else with the status once it is.
        if (m_options.haDiscovery && m_announced.insert(q.key).second && brokerConnected())
            m_connection->publish(discoveryTopic(nodeId, q.key),
                                  discoveryConfig(q.key, m_prefix, nodeId, m_meterId), 1, true);
        QByteArray number;
        datalog::appendNumber(number, q.value);
        enqueue({m_prefix + u'/' + measure::keyInfo(q.key).name.toString(), number, m_options.qos,
                 false});
    }
    const datalog::DerivedValues derived =
        m_derivedOf ? m_derivedOf(reading) : datalog::DerivedValues{};
    for (std::size_t i = 0; i < derived.size() && i < m_derived.size(); ++i) {
        if (!derived[i])
            continue;
        const datalog::DerivedColumn& column = m_derived[i];
        if (m_options.haDiscovery && m_derivedAnnounced.insert(column.name).second &&
            brokerConnected())
            m_connection->publish(discoveryTopic(nodeId, column.name),
                                  discoveryConfig(column, m_prefix, nodeId, m_meterId), 1, true);
        QByteArray number;
        datalog::appendNumber(number, *derived[i]);
        enqueue({m_prefix + u'/' + column.name, number, m_options.qos, false});
    }
    datalog::JsonlFormat json;
    json.setDerivedColumns(m_derived);
    QByteArray state = json.frame(reading, derived);
    state.chop(1); // the line end
    enqueue({m_prefix + QStringLiteral("/state"), state, m_options.qos, false, true});
}

void Publisher::setRetired(const QStringList& derivedNames, const QStringList& alarmIds)
{
    m_retiredDerived = derivedNames;
    m_retiredAlarms = alarmIds;
}

void Publisher::publishStatusAndConfigs()
{
    m_connection->publish(m_prefix + QStringLiteral("/status"), m_meterOnline ? kOnline : kOffline,
                          1, true);
    const QString nodeId = QStringLiteral("korvane_") + m_meterId;
    for (measure::Key key : m_announced)
        m_connection->publish(discoveryTopic(nodeId, key),
                              discoveryConfig(key, m_prefix, nodeId, m_meterId), 1, true);
    for (const datalog::DerivedColumn& column : m_derived) {
        if (m_derivedAnnounced.count(column.name))
            m_connection->publish(discoveryTopic(nodeId, column.name),
                                  discoveryConfig(column, m_prefix, nodeId, m_meterId), 1, true);
    }
    for (const AlarmTopic& alarm : m_alarms) {
        if (m_options.haDiscovery)
            m_connection->publish(
                alarmDiscoveryTopic(nodeId, alarm.id),
                alarmDiscoveryConfig(alarm.id, alarm.text, m_prefix, nodeId, m_meterId), 1, true);
        publishAlarm(alarm);
    }
    // An empty retained message deletes what the broker kept.
    for (const QString& name : m_retiredDerived) {
        if (m_options.haDiscovery)
            m_connection->publish(discoveryTopic(nodeId, name), {}, 1, true);
    }
    for (const QString& retired : m_retiredAlarms) {
        if (m_options.haDiscovery)
            m_connection->publish(alarmDiscoveryTopic(nodeId, retired), {}, 1, true);
        m_connection->publish(m_prefix + QStringLiteral("/alarm/") + retired, {}, 1, true);
    }
}

void Publisher::onBrokerProblem(const BrokerProblem& problem)
{
    if (m_finished || m_failed)
        return;
    if (problem.permanent()) {
        // The client has stopped; the meter's readings need not wait for it.
        m_failed = true;
        m_session.releaseLiveReadings(this);
        setPhase(PublishState::Phase::Stopped, problem);
        emit stateChanged(m_state);
        emit stopped(problem);
        return;
    }
    const QString why = problem.kind == BrokerProblem::Kind::NoAnswer
                            ? QStringLiteral("no answer from the broker")
                            : problem.detail;
    setPhase(PublishState::Phase::Retrying, problem);
    setStatus(
        QStringLiteral("retrying: %1; retrying in %2 s").arg(why).arg(problem.retryInSeconds));
}

// What waited while the broker was away goes out now, but a value on its own says nothing of when
// it was read: of each per-key topic only the newest is sent. Every state keeps its time.
void Publisher::dropStaleValues()
{
    std::set<QString> seen;
    std::vector<bool> stale(m_queue.size(), false);
    for (std::size_t i = m_queue.size(); i-- > 0;) {
        const Message& m = m_queue[i];
        if (!m.frameEnd && !seen.insert(m.topic).second)
            stale[i] = true;
    }
    std::deque<Message> kept;
    for (std::size_t i = 0; i < m_queue.size(); ++i) {
        if (!stale[i])
            kept.push_back(std::move(m_queue[i]));
    }
    m_queue.swap(kept);
}

// A broker that lost us has published the will: the status is said again, and the configs
// too, in case the broker kept nothing.
void Publisher::onBrokerConnected()
{
    if (m_finished)
        return;
    setPhase(PublishState::Phase::Connected);
    setStatus(QStringLiteral("connected to ") + m_options.broker.text());
    publishStatusAndConfigs();
    dropStaleValues();
    flush();
}

void Publisher::enqueue(Message message)
{
    m_queue.push_back(std::move(message));
    if (m_queue.size() > m_options.queueLimit) {
        m_queue.pop_front();
        ++m_dropped;
        // Counted at once, shown at most once a second.
        if (!m_sinceDropsShown.isValid() || m_sinceDropsShown.elapsed() >= kDropsShownEveryMs)
            showStatus();
        else if (!m_dropsLater.isActive())
            m_dropsLater.start(kDropsShownEveryMs);
    }
    flush();
}

void Publisher::flush()
{
    while (!m_queue.empty() && m_connection) {
        const Message& m = m_queue.front();
        const MqttConnection::Handed handed =
            m_connection->publish(m.topic, m.payload, m.qos, m.retain);
        if (handed == MqttConnection::Handed::NotNow)
            break;
        const bool frameEnd = m.frameEnd;
        m_queue.pop_front();
        if (handed == MqttConnection::Handed::Refused) {
            ++m_dropped;
            showStatus();
        } else if (frameEnd) {
            emit framePublished();
        }
    }
}

void Publisher::setPhase(PublishState::Phase phase, const BrokerProblem& problem)
{
    m_state.phase = phase;
    m_state.problem = problem;
}

void Publisher::setStatus(const QString& text)
{
    m_brokerState = text;
    showStatus();
}

void Publisher::showStatus()
{
    m_sinceDropsShown.start();
    QString text = QStringLiteral("broker: ") + m_brokerState;
    if (m_dropped == 1)
        text += QStringLiteral(" (1 message dropped)");
    else if (m_dropped > 1)
        text += QStringLiteral(" (%1 messages dropped)").arg(m_dropped);
    const bool news = text != m_status || m_state.dropped != m_dropped;
    m_state.dropped = m_dropped;
    if (!news)
        return;
    m_status = text;
    emit statusChanged(m_status);
    emit stateChanged(m_state);
}

void Publisher::finish(int timeoutMs)
{
    m_session.releaseLiveReadings(this);
    sayGoodbye(timeoutMs);
}

void Publisher::sayGoodbye(int timeoutMs)
{
    if (m_finished)
        return;
    flush();
    m_finished = true;
    if (m_connection)
        m_connection->finish(m_prefix + QStringLiteral("/status"), kOffline, timeoutMs);
}

} // namespace korvane::publish
