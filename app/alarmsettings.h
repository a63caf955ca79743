// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

namespace korvane::app {

// One alarm as the user wrote it: the rule, and a command to run at each event (may be empty).
struct AlarmSetting
{
    QString rule;
    QString command;

    bool operator==(const AlarmSetting&) const = default;
};

// The window's alarms, kept in the program's settings.
class AlarmSettings
{
    Q_DECLARE_TR_FUNCTIONS(AlarmSettings)

public:
    static QList<AlarmSetting> load();
    static void save(const QList<AlarmSetting>& alarms);

    // Why these alarms cannot be used, naming the row (from 1): a rule that does not read, one
    // given twice, or a command with a quote left open; empty when all are fine.
    static QString problem(const QList<AlarmSetting>& alarms, int* row = nullptr);
};

} // namespace korvane::app
