// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/alarmevent.h"
#include "datalog/lineformat.h"
#include "energy/integrator.h"

#include <QByteArray>
#include <QString>

namespace korvane::watch {

// A gap in the energy as a log's event row: "energy gap: E1 from 10:00:00 to 10:10:00, no P1 for
// 600 s". Logs are read back, so these words are the file's, the same in every front end.
QString energyGapNote(const energy::Gap& gap);

// An alarm event as the lines of the format: a status row in CSV, its own object in JSON Lines,
// a korvane_alarm point in line protocol; nothing in the live view's TSV, which has no room.
QByteArray alarmLines(const alarms::AlarmEvent& event, datalog::LineFormat& format);

} // namespace korvane::watch
