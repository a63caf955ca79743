// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/statustexts.h"

#include "energy/tariff.h"

#include <QDateTime>

namespace korvane::app {

using OpenError = platform::SerialPort::OpenError;

QString StatusTexts::port(const link::PortAttempt& attempt)
{
    // Every failed open is a failure, whatever its kind.
    return attempt.opened() ? tr("COM%1 Open").arg(attempt.port)
                            : tr("COM%1Unviable").arg(attempt.port);
}

QString StatusTexts::portTip(const link::PortAttempt& attempt)
{
    QString tip = attempt.device.isEmpty() ? tr("no device") : attempt.device;
    switch (attempt.result) {
    case OpenError::PermissionDenied:
        tip += u'\n' + tr("Permission denied on %1: your account needs access to serial devices "
                          "(for example, join the dialout group with \"sudo usermod -aG dialout "
                          "$USER\", then log in again).")
                           .arg(attempt.device);
        break;
    case OpenError::Other:
        tip += u'\n' + tr("Cannot open %1: %2").arg(attempt.device, attempt.systemReason);
        break;
    default:
        break;
    }
    return tip;
}

QString StatusTexts::linkState(link::LinkState state)
{
    return state == link::LinkState::Connected ? tr("Connected") : tr("unconnected");
}

QString StatusTexts::duration(std::chrono::milliseconds duration)
{
    const qint64 seconds = std::max<qint64>(1, (duration.count() + 999) / 1000);
    return seconds < 120 ? tr("%1 s").arg(seconds) : tr("%1 min").arg((seconds + 59) / 60);
}

QString StatusTexts::download(const session::MeterSession& session,
                              const std::optional<link::DownloadResult>& last)
{
    if (session.dumpUnderWay()) {
        const QString received = tr("Downloading records: %1 of %2")
                                     .arg(session.dumpReceived())
                                     .arg(session.dumpCount());
        if (const auto left = session.downloadTimeLeft())
            return tr("%1, about %2 left.", "records received, time left")
                .arg(received, duration(*left));
        return received + u'.';
    }
    QStringList lines;
    if (session.draining())
        lines << tr("Finishing the meter's transfer: it sends the rest of its records, which are "
                    "dropped; polling resumes when it falls silent.");
    // What the table holds, whatever came after: a Read that brought nothing leaves it so.
    const qsizetype kept = qsizetype(session.storedRecords().size());
    if (kept > 0 && !session.recordsComplete()) {
        using Outcome = link::DownloadResult::Outcome;
        if (last && last->outcome == Outcome::Stopped && last->received == kept)
            lines << tr("Download cancelled: %1 of %2 records kept; the table is incomplete.")
                         .arg(kept)
                         .arg(session.recordsExpected());
        else
            lines << tr("The table is incomplete: %1 of %2 records arrived.")
                         .arg(kept)
                         .arg(session.recordsExpected());
    }
    return lines.join(u'\n');
}

namespace {
QString valueWithUnit(const alarms::AlarmEvent& event)
{
    if (event.overload)
        return QStringLiteral("OL");
    if (!event.value)
        return {};
    const QString unit = measure::keyInfo(event.key()).unit.toString();
    return QString::number(*event.value, 'g', 7) + (unit.isEmpty() ? QString() : u' ' + unit);
}

QString clockTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

QString StatusTexts::alarmSummary(const alarms::AlarmEvent& event)
{
    return event.state == alarms::AlarmState::Raised ? tr("Alarm raised: %1").arg(event.rule.text)
                                                     : tr("Alarm cleared: %1").arg(event.rule.text);
}

QString StatusTexts::alarmBody(const alarms::AlarmEvent& event)
{
    const QString key = measure::keyInfo(event.key()).name.toString();
    const QString value = valueWithUnit(event);
    if (value.isEmpty())
        return tr("no %1 since %2", "a silent quantity, the time").arg(key, clockTime(event.ms));
    return tr("%1 %2 at %3", "key, value, time").arg(key, value, clockTime(event.ms));
}

QString StatusTexts::alarmLine(const alarms::AlarmEvent& event)
{
    const QString value = valueWithUnit(event);
    const QString state = event.state == alarms::AlarmState::Raised ? tr("raised") : tr("cleared");
    return value.isEmpty() ? tr("%1 %2 %3", "time, raised or cleared, rule")
                                 .arg(clockTime(event.ms), state, event.rule.text)
                           : tr("%1 %2 %3 (%4)", "time, raised or cleared, rule, value")
                                 .arg(clockTime(event.ms), state, event.rule.text, value);
}

QString StatusTexts::energy(const energy::Totals& totals, std::optional<double> cost,
                            const QString& currency)
{
    const auto kwh = [&totals](energy::EnergyKey key) {
        return QString::number(totals[key] / 1000.0, 'f', 3);
    };
    using energy::EnergyKey;
    const QString since = totals.sinceMs ? QDateTime::fromMSecsSinceEpoch(*totals.sinceMs)
                                               .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                         : tr("the first power reading");
    QString text = tr("Energy since %1: E %2 kWh (L1 %3, L2 %4, L3 %5 kWh)")
                       .arg(since, kwh(EnergyKey::E), kwh(EnergyKey::E1), kwh(EnergyKey::E2),
                            kwh(EnergyKey::E3));
    if (cost)
        text = tr("%1, cost %2", "energy, cost").arg(text, energy::formatAmount(*cost, currency));
    return text;
}

QString StatusTexts::energyWaiting()
{
    return tr("Energy: waiting for the meter; its totals so far are read once it is found.");
}

QString StatusTexts::energyIdle(energy::Idle why)
{
    switch (why) {
    case energy::Idle::NoReadings:
        return tr("Energy not accumulating: no readings for more than 10 s.");
    case energy::Idle::LinkLost:
        return tr("Energy not accumulating: the link is lost.");
    case energy::Idle::NoPower:
        return tr("Energy not accumulating: the meter sends no power (P) at the moment.");
    case energy::Idle::Overload:
        return tr("Energy not accumulating: the power is in overload (OL).");
    }
    return {};
}

QString StatusTexts::totalsProblem(const QString& detail)
{
    return tr("Energy totals: %1").arg(detail);
}

QString StatusTexts::alarmBanner(const QList<alarms::AlarmEvent>& raised)
{
    QStringList rules;
    for (const alarms::AlarmEvent& event : raised) {
        const QString value = valueWithUnit(event);
        rules << (value.isEmpty() ? event.rule.text
                                  : tr("%1 (%2)", "rule, value").arg(event.rule.text, value));
    }
    return tr("Alarm: %1").arg(rules.join(QStringLiteral("; ")));
}

QString StatusTexts::commandOutcome(const notify::CommandOutcome& outcome)
{
    using Kind = notify::CommandOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Exited:
        if (outcome.exitCode == 0)
            return {};
        return tr("The alarm command %1 ended with exit code %2.")
            .arg(outcome.program)
            .arg(outcome.exitCode);
    case Kind::NotStarted:
        return tr("The alarm command %1 could not start: %2").arg(outcome.program, outcome.reason);
    case Kind::Crashed:
        return tr("The alarm command %1 crashed: %2").arg(outcome.program, outcome.reason);
    case Kind::TimedOut:
        return tr("The alarm command %1 ran longer than %2 s and was stopped.")
            .arg(outcome.program)
            .arg(notify::AlarmCommand::kTimeLimit.count() / 1000);
    case Kind::Busy:
        return tr("The alarm command %1 was still running, so it did not run for this event.")
            .arg(outcome.program);
    }
    return {};
}

QString StatusTexts::publishingOff()
{
    return tr("MQTT: off");
}

QString StatusTexts::publishing(const publish::PublishState& state, const QString& hostPort)
{
    using Phase = publish::PublishState::Phase;
    QString text;
    switch (state.phase) {
    case Phase::WaitingForMeter:
        text = tr("MQTT: waiting for the meter");
        break;
    case Phase::Connecting:
        text = tr("MQTT: connecting to %1").arg(hostPort);
        break;
    case Phase::Connected:
        text = tr("MQTT: connected to %1").arg(hostPort);
        break;
    case Phase::Retrying:
        text = tr("MQTT: cannot reach %1 (%2); retrying in %3 s")
                   .arg(hostPort, brokerProblem(state.problem))
                   .arg(state.problem.retryInSeconds);
        break;
    case Phase::Stopped:
        text = tr("MQTT: refused by %1 (%2); not retrying")
                   .arg(hostPort, brokerProblem(state.problem));
        break;
    case Phase::Failed:
        text = tr("MQTT: cannot start (%1)").arg(state.failure);
        break;
    }
    if (state.dropped > 0)
        text += tr("; messages dropped: %1").arg(state.dropped);
    return text;
}

QString StatusTexts::brokerProblem(const publish::BrokerProblem& problem)
{
    using Kind = publish::BrokerProblem::Kind;
    // The window's own words; the library's (in English) go to the tooltip.
    QString why;
    switch (problem.kind) {
    case Kind::Unreachable:
        why = tr("no connection");
        break;
    case Kind::Lost:
        why = tr("the connection was lost");
        break;
    case Kind::NoAnswer:
        why = tr("no answer from the broker");
        break;
    case Kind::Unavailable:
        why = tr("the broker is unavailable");
        break;
    case Kind::Tls:
        why = tr("TLS failed");
        break;
    case Kind::CredentialsRefused:
        why = tr("user name or password refused");
        break;
    case Kind::ClientIdRefused:
        why = tr("client id refused");
        break;
    case Kind::ProtocolRefused:
        why = tr("it does not speak MQTT 3.1.1");
        break;
    case Kind::CertificateRejected:
        why = tr("its certificate failed verification");
        break;
    case Kind::AuthorityUnusable:
        why = tr("the CA file cannot be used");
        break;
    }
    return why;
}

} // namespace korvane::app
