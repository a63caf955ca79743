// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/lineformat.h"
#include "publish/mqttconnection.h"
#include "session/metersession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace korvane::publish {

struct PublishOptions
{
    BrokerAddress broker;
    Credentials credentials;
    QString prefix; // empty: korvane/<meter id>
    int qos = 0;
    bool haDiscovery = false;
    std::size_t queueLimit = 5000;
};

// Where publishing stands, for a front end to put into words.
struct PublishState
{
    enum class Phase {
        WaitingForMeter, // the broker is reached once the meter is found
        Connecting,
        Connected,
        Retrying, // problem says why and when the next attempt comes
        Stopped,  // refused for good: problem says why; no more attempts
        Failed,   // the client could not be set up: failure says why
    };
    Phase phase = Phase::WaitingForMeter;
    BrokerProblem problem;
    QString failure;
    quint64 dropped = 0; // messages dropped from a full queue so far
};

// Publishes what a meter session receives: PREFIX/<key> as plain numbers, PREFIX/state as the
// frame's JSON object, PREFIX/status retained ("online" while the meter is linked, "offline"
// when the link is lost, when we finish, and as the broker's last will), and with discovery on,
// each quantity's Home Assistant config, retained, when it first has a value. The broker is
// reached once the meter is found (the prefix names it). While the broker is away messages wait
// in a bounded queue; the oldest go first when it is full, and they are counted. Until it
// finishes it holds the session's live readings, so the record table shown leaves no hole.
class Publisher : public QObject
{
    Q_OBJECT
public:
    Publisher(session::MeterSession& session, PublishOptions options, QObject* parent = nullptr);
    ~Publisher() override;

    // "offline" published, then disconnected once the broker has it (or after timeoutMs), on the
    // client's own thread: this returns at once.
    void finish(int timeoutMs = 2000);

    QString prefix() const { return m_prefix; }
    // The state in the words of the command-line tool ("broker: connected to ...").
    QString statusText() const { return m_status; }
    PublishState state() const { return m_state; }
    quint64 dropped() const { return m_dropped; }

    // Quantities derived from the readings (energy, cost): PREFIX/<name> with each frame that
    // carries them, in PREFIX/state too, and announced with their own classes. Set before the
    // meter is found.
    using DerivedOf = std::function<datalog::DerivedValues(const measure::Reading&)>;
    void setDerived(std::vector<datalog::DerivedColumn> columns, DerivedOf derivedOf);
    // Alarm rules: PREFIX/alarm/<id> retained "ON" or "OFF", said again on every connect, and
    // with discovery each a problem binary sensor named by its text.
    struct AlarmTopic
    {
        QString id;
        QString text;
    };
    void setAlarms(const std::vector<AlarmTopic>& alarms);
    void setAlarm(const QString& id, bool raised);
    // What a publisher before this one announced and this one does not (energy turned off, a
    // rule removed): on every connect their retained state and discovery configs are cleared,
    // so Home Assistant drops them rather than showing what is no longer published.
    void setRetired(const QStringList& derivedNames, const QStringList& alarmIds);
    bool brokerConnected() const { return m_connection && m_connection->isConnected(); }

signals:
    void statusChanged(const QString& text);
    // The same news as data; also when only the count of dropped messages changed.
    void stateChanged(const korvane::publish::PublishState& state);
    // A frame's state message went to the broker.
    void framePublished();
    // The client could not be set up at all (a certificate authority that cannot be read).
    void failed(const QString& message);
    // The broker refused us for good (credentials, client id, its certificate): no more
    // attempts until a new publisher is made.
    void stopped(const korvane::publish::BrokerProblem& problem);

private:
    struct Message
    {
        QString topic;
        QByteArray payload;
        int qos;
        bool retain;
        bool frameEnd = false;
    };

    void onLinked(const QString& device);
    void onReading(const measure::Reading& reading);
    void onBrokerConnected();
    void onBrokerProblem(const BrokerProblem& problem);
    void dropStaleValues();
    void setStatus(const QString& text);
    void setPhase(PublishState::Phase phase, const BrokerProblem& problem = {});
    void showStatus();
    void enqueue(Message message);
    void flush();
    void publishMeterStatus(bool online);
    void publishAlarm(const AlarmTopic& alarm);
    void publishStatusAndConfigs();
    void sayGoodbye(int timeoutMs);

    session::MeterSession& m_session;
    PublishOptions m_options;
    QString m_prefix;
    QString m_meterId;
    std::unique_ptr<MqttConnection> m_connection;
    std::deque<Message> m_queue;
    std::set<measure::Key> m_announced;
    std::vector<datalog::DerivedColumn> m_derived;
    DerivedOf m_derivedOf;
    std::set<QString> m_derivedAnnounced;
    std::vector<AlarmTopic> m_alarms;
    std::map<QString, bool> m_alarmRaised;
    QStringList m_retiredDerived;
    QStringList m_retiredAlarms;
    bool m_meterOnline = false;
    bool m_failed = false;
    QElapsedTimer m_sinceDropsShown;
    QTimer m_dropsLater;
    quint64 m_dropped = 0;
    QString m_brokerState;
    PublishState m_state;
    QString m_status;
    bool m_finished = false;
};

} // namespace korvane::publish

Q_DECLARE_METATYPE(korvane::publish::PublishState)
