// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records/recordtable.h"

#include <QtGlobal>

namespace korvane::records {

// Writes the heading row 2n - 2 of record n: "NO:" n in column 0, then the names of its
// quantities. A frame type other than 0 to 3 leaves columns 1 to 6 as they are.
void rechead(RecordTable& table, int n, quint8 frametype, quint8 framesub);

} // namespace korvane::records
