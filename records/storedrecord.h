// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

namespace korvane::records {

// One record of a download as a reading: its number in the dump (from 1) and the type byte it
// came with. A type the meter does not define (4 and up) keeps its number and type but has no
// reading, so the files for analysis still show that the record was there.
struct StoredRecord
{
    int number = 0;
    quint8 type = 0;
    std::optional<measure::Reading> reading;
    // A totals record that has an undefined code among its first four values: the same bytes
    // read as one phase, whose texts the display leaves beneath the undefined ones. Empty for
    // every other record, which is nearly all of them.
    std::shared_ptr<const measure::Reading> onePhase = nullptr;
};

// The whole records of a dump as readings, by the stored-record rules: at most count of them,
// a partial record at the end is none; numbered from firstNumber.
std::vector<StoredRecord> storedRecords(QByteArrayView dump, int count, qint64 receivedMs,
                                        int firstNumber = 1);

} // namespace korvane::records
