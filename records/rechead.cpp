// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/rechead.h"

#include "measure/readingtext.h"

namespace korvane::records {

void rechead(RecordTable& table, int n, quint8 frametype, quint8 framesub)
{
    const int row = 2 * n - 2;
    table.setCell(row, 0, QStringLiteral("NO:") + QString::number(n));
    if (frametype > 3)
        return;
    measure::Reading reading;
    reading.kind = frametype;
    reading.index = framesub;
    const auto names = measure::headings(reading);
    for (int i = 0; i < measure::kLiveRows; ++i)
        table.setCell(row, i + 1, names[std::size_t(i)]);
}

} // namespace korvane::records
