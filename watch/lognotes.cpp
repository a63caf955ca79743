// SPDX-License-Identifier: GPL-3.0-or-later
#include "watch/lognotes.h"

#include "alarms/eventformat.h"
#include "measure/quantity.h"

#include <QDateTime>

namespace korvane::watch {

QString energyGapNote(const energy::Gap& gap)
{
    const auto time = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
    };
    const QString energy = energy::energyKeyName(gap.key).toString();
    const QString power = measure::keyInfo(energy::powerKeyOf(gap.key)).name.toString();
    QString why;
    switch (gap.why) {
    case energy::GapReason::TooLong:
        why = QStringLiteral("no %1 for %2 s").arg(power).arg((gap.toMs - gap.fromMs) / 1000);
        break;
    case energy::GapReason::Overload:
        why = QStringLiteral("%1 in overload").arg(power);
        break;
    case energy::GapReason::TimeWentBack:
        why = QStringLiteral("the clock went back");
        break;
    }
    return QStringLiteral("energy gap: %1 from %2 to %3, %4")
        .arg(energy, time(gap.fromMs), time(gap.toMs), why);
}

QByteArray alarmLines(const alarms::AlarmEvent& event, datalog::LineFormat& format)
{
    switch (format.format()) {
    case datalog::Format::Csv:
        return format.event({event.ms, alarms::statusText(event)});
    case datalog::Format::Jsonl:
        return alarms::jsonLine(event);
    case datalog::Format::Influx:
        return alarms::influxLine(event, format.meter());
    case datalog::Format::Tsv:
        break;
    }
    return {};
}

} // namespace korvane::watch
