// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/alarmevent.h"

#include <QByteArray>
#include <QString>

namespace korvane::alarms {

// An event as a log writes it, in the conventions of datalog's formats (times, numbers).
// A silent rule's raise has no value; an overload reads "OL" in text and is flagged elsewhere.

// JSON Lines: {"time":"2026-12-07T10:15:02.250+01:00","alarm":"U1>253 for 5s clear 251",
// "state":"raised","key":"U1","value":254.1}, with its line end.
QByteArray jsonLine(const AlarmEvent& event);

// The status text of a CSV or TSV row: 'alarm raised: U1>253 for 5s clear 251 (254.1)'.
QString statusText(const AlarmEvent& event);

// Line protocol: a korvane_alarm point tagged with the meter (when named), the rule's id and the
// key, with its line end.
QByteArray influxLine(const AlarmEvent& event, const QString& meter);

} // namespace korvane::alarms
