// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"
#include "measure/overview.h"

#include <QByteArray>

namespace korvane::exporting {

// The overview as CSV, a row per quantity so that a spreadsheet imports it as it is: the time of
// the save in every row, the quantity's key ("U1", "PF", "T3W"), the value as the screen shows it
// ("230.5", "OL", "normal"; empty before the first reading), the row's unit, min, max, and when
// the value was received. Then the latest type-3 frame's index and clock. Times in ISO 8601 local
// time with the UTC offset, numbers with a decimal point, CR LF, UTF-8 with a byte-order mark.
// A one-shot save: the file is replaced whole.
QByteArray overviewCsv(const measure::OverviewTable& table, qint64 savedMs);
SaveResult saveOverviewCsv(const QString& path, const measure::OverviewTable& table,
                           qint64 savedMs);

} // namespace korvane::exporting
