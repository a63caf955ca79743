// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/recdecode.h"

#include "records/storedrecord.h"
#include "records/tablefiller.h"

namespace korvane::records {

int recdecode(RecordTable& table, QByteArrayView rxbuf, quint16 reccount, qint64 receivedMs)
{
    const std::vector<StoredRecord> records = storedRecords(rxbuf, reccount, receivedMs);
    fillTable(table, records);
    return int(records.size());
}

} // namespace korvane::records
