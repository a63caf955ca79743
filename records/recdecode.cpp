// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/recdecode.h"

#include "measure/frame.h"
#include "measure/readingtext.h"
#include "records/rechead.h"

#include <array>

namespace korvane::records {

using measure::kFrameSize;
using measure::Reading;

namespace {
// Cells 1 to 6 from the reading's texts; an undefined code leaves its cell as it was.
void writeValues(RecordTable& table, int row, const Reading& reading, int columns)
{
    const auto texts = measure::valueTexts(reading);
    for (int i = 0; i < columns; ++i) {
        if (const auto& text = texts[std::size_t(i)])
            table.setCell(row, i + 1, *text);
    }
}

// A totals record is written first as one phase (U, I, PF, P in columns 1 to 4), then its
// totals over that: where a totals code is undefined, the one-phase text stays.
void writeOnePhaseFirst(RecordTable& table, int row, QByteArrayView record, qint64 receivedMs)
{
    std::array<char, kFrameSize> asPhase{};
    std::copy(record.begin(), record.begin() + kFrameSize, asPhase.begin());
    asPhase[1] = 0;
    const auto phase = measure::decodeFrame(QByteArrayView(asPhase.data(), kFrameSize),
                                            measure::Source::Stored, receivedMs);
    writeValues(table, row, *phase, 4);
}
} // namespace

int recdecode(RecordTable& table, QByteArrayView rxbuf, quint16 reccount, qint64 receivedMs)
{
    const int count = int(std::min<qsizetype>(reccount, rxbuf.size() / kFrameSize));
    if (count == 0) {
        gridinit(table);
        return 0;
    }

    table.setRowCount(2 * count);
    for (int n = 1; n <= count; ++n) {
        const QByteArrayView record = rxbuf.sliced(qsizetype(n - 1) * kFrameSize, kFrameSize);
        const auto reading = measure::decodeFrame(record, measure::Source::Stored, receivedMs);
        const quint8 type = measure::byteAt(record, 0);
        rechead(table, n, type, reading ? reading->index : 0);
        if (!reading)
            continue;
        if (reading->isTotals())
            writeOnePhaseFirst(table, 2 * n - 1, record, receivedMs);
        writeValues(table, 2 * n - 1, *reading, measure::kLiveRows);
    }
    return count;
}

} // namespace korvane::records
