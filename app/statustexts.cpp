// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/statustexts.h"

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
    using Outcome = link::DownloadResult::Outcome;
    if (last && last->received > 0 && last->outcome == Outcome::Stopped)
        lines << tr("Download cancelled: %1 of %2 records kept; the table is incomplete.")
                     .arg(last->received)
                     .arg(last->count);
    if (last && last->received > 0 && last->outcome == Outcome::Incomplete)
        lines << tr("The table is incomplete: %1 of %2 records arrived.")
                     .arg(last->received)
                     .arg(last->count);
    return lines.join(u'\n');
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
