// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/alarmsettings.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace korvane::app {

// Add, edit and remove alarms: a rule each ("U1>253 for 5s clear 251", "F<49.5",
// "U1 silent 30s") and an optional command run at each event. OK is refused, saying why and
// on which row, while a rule does not read, is given twice, or a command has an open quote.
class AlarmsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AlarmsDialog(QWidget* parent = nullptr);

    void setAlarms(const QList<AlarmSetting>& alarms);
    // The rows as they stand; rows with neither a rule nor a command are left out.
    QList<AlarmSetting> alarms() const;
    QString message() const;

    QTableWidget* table = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;

signals:
    void alarmsChosen(const QList<korvane::app::AlarmSetting>& alarms);

private:
    void tryAccept();

    QLabel* m_message = nullptr;
};

} // namespace korvane::app
