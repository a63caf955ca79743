#pragma once

#include "measure/frame.h"
#include "records/recordtable.h"

#include <QByteArrayView>

namespace korvane::records {

// Fills the table from a dump of reccount stored records, 20 bytes each, two rows per record,
// and sets state from each record in turn. Only whole records are decoded: a dump shorter than
// reccount x 20 bytes sizes the table to the records it holds. With no whole record the table
// is reset. Returns the number of records decoded.
int recdecode(RecordTable& table, QByteArrayView rxbuf, quint16 reccount,
              measure::FrameState& state);

} // namespace korvane::records
