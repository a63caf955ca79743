// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/alarmsettings.h"

#include "alarms/rule.h"
#include "notify/alarmcommand.h"

#include <QSet>
#include <QSettings>

#include <variant>

namespace korvane::app {

QList<AlarmSetting> AlarmSettings::load()
{
    QSettings settings;
    QList<AlarmSetting> out;
    const int n = settings.beginReadArray("alarms");
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        out << AlarmSetting{settings.value("rule").toString(),
                            settings.value("command").toString()};
    }
    settings.endArray();
    return out;
}

void AlarmSettings::save(const QList<AlarmSetting>& alarms)
{
    QSettings settings;
    settings.remove("alarms");
    settings.beginWriteArray("alarms", int(alarms.size()));
    for (int i = 0; i < alarms.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue("rule", alarms[i].rule);
        settings.setValue("command", alarms[i].command);
    }
    settings.endArray();
}

QString AlarmSettings::problem(const QList<AlarmSetting>& alarms, int* row)
{
    QSet<QString> seen;
    for (int i = 0; i < alarms.size(); ++i) {
        if (row)
            *row = i + 1;
        const auto parsed = alarms::parseRule(alarms[i].rule);
        if (const auto* error = std::get_if<alarms::ParseError>(&parsed))
            return tr("Alarm %1: %2").arg(i + 1).arg(alarms::errorText(*error));
        const alarms::Rule& rule = std::get<alarms::Rule>(parsed);
        // Two rules with one id would share one MQTT topic and read as one in the logs.
        if (seen.contains(rule.id))
            return tr("Alarm %1: \"%2\" is there already.").arg(i + 1).arg(rule.text);
        seen.insert(rule.id);
        if (!alarms[i].command.trimmed().isEmpty() && !notify::parseCommand(alarms[i].command))
            return tr("Alarm %1: the command has a quote left open.").arg(i + 1);
    }
    if (row)
        *row = 0;
    return {};
}

} // namespace korvane::app
