// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"
#include "measure/quantity.h"
#include "trend/trendstore.h"

#include <QByteArray>
#include <QList>

namespace korvane::exporting {

// The samples of the chosen quantities in [fromMs, toMs): a heading row ("time", then each key
// with its unit, "U1 [V]"), then a row per time at which any of them has a sample, its
// quantities filled and the others empty. Times in ISO 8601 local time with milliseconds and
// the UTC offset ("2026-12-07T10:15:02.250+01:00"); numbers with a decimal point; CR LF; UTF-8
// with a byte-order mark, like the record CSV. A one-shot save: the file is replaced whole.
QByteArray trendCsv(const trend::TrendStore& store, const QList<measure::Key>& keys, qint64 fromMs,
                    qint64 toMs);
SaveResult saveTrendCsv(const QString& path, const trend::TrendStore& store,
                        const QList<measure::Key>& keys, qint64 fromMs, qint64 toMs);

} // namespace korvane::exporting
