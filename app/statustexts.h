// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/alarmevent.h"
#include "energy/integrator.h"
#include "link/linkevents.h"
#include "notify/alarmcommand.h"
#include "publish/publisher.h"
#include "session/metersession.h"

#include <QCoreApplication>
#include <QString>

#include <chrono>
#include <optional>

namespace korvane::app {

// The window's words for what the link reports.
class StatusTexts
{
    Q_DECLARE_TR_FUNCTIONS(StatusTexts)

public:
    // The port label: "COM3 Open" or "COM3Unviable".
    static QString port(const link::PortAttempt& attempt);
    // The port label's tooltip: the device, and why an open failed with what to do about it.
    static QString portTip(const link::PortAttempt& attempt);
    // The link label: "Connected" or "unconnected".
    static QString linkState(link::LinkState state);
    // A duration as a person would say it: "40 s", "3 min".
    static QString duration(std::chrono::milliseconds duration);
    // The Record page's line about the download: under way, draining, or how the last one
    // ended when that left the table short; empty when there is nothing to say.
    static QString download(const session::MeterSession& session,
                            const std::optional<link::DownloadResult>& last);

    // An alarm event: a notification's summary ("Alarm raised: U1>253 for 5s") and body
    // ("U1 254.1 V at 14:03:22"), and a line of the Overview's latest events.
    static QString alarmSummary(const alarms::AlarmEvent& event);
    static QString alarmBody(const alarms::AlarmEvent& event);
    static QString alarmLine(const alarms::AlarmEvent& event);
    // The banner while rules are raised: "Alarm: U1>253 for 5s (254.1 V)".
    static QString alarmBanner(const QList<alarms::AlarmEvent>& raised);
    // How an alarm's command went, when it went wrong; empty when it ran and exited with 0.
    static QString commandOutcome(const notify::CommandOutcome& outcome);

    // The Overview's energy line: "Energy since 2026-12-08 14:02: E 2.500 kWh (L1 0.833, L2 0.833,
    // L3 0.834 kWh), cost 0.75 EUR"; a cost only with a currency.
    static QString energy(const energy::Totals& totals, std::optional<double> cost,
                          const QString& currency);
    // Energy is on and no meter found yet: its totals are read when it is.
    static QString energyWaiting();
    // Why the energy stands still: "Energy not accumulating: the link is lost."
    static QString energyIdle(energy::Idle why);
    // The totals file could not be read or written.
    static QString totalsProblem(const QString& detail);

    // The Trend page's publishing line, one text for every state: "MQTT: off", "MQTT: connected
    // to HOST:PORT", "MQTT: cannot reach HOST:PORT (why); retrying in 8 s", "MQTT: refused by
    // HOST:PORT (why); not retrying". hostPort: where the broker listens.
    static QString publishingOff();
    static QString publishing(const publish::PublishState& state, const QString& hostPort);
    // Why the broker could not be used, in a few words.
    static QString brokerProblem(const publish::BrokerProblem& problem);
};

} // namespace korvane::app
