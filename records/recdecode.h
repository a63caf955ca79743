// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records/recordtable.h"

#include <QByteArrayView>

namespace korvane::records {

// Fills the table from a dump of reccount stored records, 20 bytes each, two rows per record,
// each row formatted from the record's reading. Only whole records are decoded: a dump shorter
// than reccount x 20 bytes sizes the table to the records it holds. With no whole record the
// table is reset. Returns the number of records decoded.
int recdecode(RecordTable& table, QByteArrayView rxbuf, quint16 reccount, qint64 receivedMs);

} // namespace korvane::records
