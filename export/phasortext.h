// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"
#include "measure/snapshot.h"

#include <QByteArray>

namespace korvane::exporting {

// The numbers behind the phasor diagram: a line with the time of the save, one saying how the
// angles run, then U1, U2, U3, I, their angles and the phase sequence, one a line as the display
// shows it ("U2°: 120°"), each with the time it was received, or "not received". Times in
// ISO 8601 local time with milliseconds and the UTC offset, as the trend CSV writes them;
// CR LF; UTF-8. A one-shot save: the file is replaced whole.
QByteArray phasorText(const measure::Snapshot& snapshot, qint64 nowMs);
SaveResult savePhasorText(const QString& path, const measure::Snapshot& snapshot, qint64 nowMs);

} // namespace korvane::exporting
