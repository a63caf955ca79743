// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"

#include <QtGlobal>

#include <optional>

namespace korvane::records {

// One record of a download as a reading: its number in the dump (from 1) and the type byte it
// came with. A type the meter does not define (4 and up) keeps its number and type but has no
// reading, so the files for analysis still show that the record was there.
struct StoredRecord
{
    int number = 0;
    quint8 type = 0;
    std::optional<measure::Reading> reading;
};

} // namespace korvane::records
