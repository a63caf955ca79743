#include "records/recdecode.h"

#include "measure/fieldtext.h"
#include "records/rechead.h"

namespace korvane::records {

using measure::byteAt;
using measure::kFrameSize;
using measure::PowerQuantity;
using measure::value16;

namespace {
constexpr quint8 kFirstTotalsSub = 3;

class ValueRow
{
public:
    ValueRow(RecordTable& table, int row, QByteArrayView record)
        : m_table(table), m_row(row), m_record(record)
    {}

    void set(int column, QString text) { m_table.setCell(m_row, column, std::move(text)); }

    // An undefined power code leaves the cell as it was.
    void setPower(int column, qsizetype pos, PowerQuantity quantity)
    {
        if (auto text = measure::powerAt(m_record, pos, quantity))
            set(column, std::move(*text));
    }

    // Stored records are negative for every sign byte other than 1, whatever their type.
    void setPowerFactor(int column)
    {
        set(column, measure::powerFactorText(value16(m_record, 8), byteAt(m_record, 10) != 1));
    }

    QByteArrayView record() const { return m_record; }

private:
    RecordTable& m_table;
    int m_row;
    QByteArrayView m_record;
};

// Types 0 and 3 start alike; a totals record is then rewritten from its power fields.
void decodePhaseOrTotals(ValueRow& row, quint8 frametype, quint8 framesub)
{
    const QByteArrayView rec = row.record();
    row.set(1, measure::voltageAt(rec, 2));
    row.set(2, measure::currentAt(rec, 5));
    row.setPowerFactor(3);
    row.setPower(4, 11, PowerQuantity::Active);

    if (frametype == 3) {
        row.set(5, measure::wText(value16(rec, 14), byteAt(rec, 16)));
        row.set(6, measure::timeAt(rec, 17));
    } else if (framesub >= kFirstTotalsSub) {
        row.setPowerFactor(1);
        row.setPower(2, 11, PowerQuantity::Active);
        row.setPower(3, 14, PowerQuantity::Reactive);
        row.setPower(4, 17, PowerQuantity::Apparent);
        row.set(5, QString());
        row.set(6, QString());
    } else {
        row.setPower(5, 14, PowerQuantity::Reactive);
        row.setPower(6, 17, PowerQuantity::Apparent);
    }
}

void decodeVoltages(ValueRow& row)
{
    const QByteArrayView rec = row.record();
    row.set(1, measure::voltageAt(rec, 1));
    row.set(2, measure::voltageAt(rec, 4));
    row.set(3, measure::voltageAt(rec, 7));
    row.set(4, measure::currentAt(rec, 10));
    row.set(5, measure::frequencyText(value16(rec, 13)));
    row.set(6, QString());
}

void decodeAngles(ValueRow& row)
{
    const QByteArrayView rec = row.record();
    for (int i = 0; i < 4; ++i)
        row.set(1 + i, measure::angleText(value16(rec, 10 + 2 * i)));
    if (auto sequence = measure::phaseSequenceText(byteAt(rec, 18)))
        row.set(5, std::move(*sequence));
    row.set(6, QString());
}
} // namespace

int recdecode(RecordTable& table, QByteArrayView rxbuf, quint16 reccount,
              measure::FrameState& state)
{
    const int count = int(std::min<qsizetype>(reccount, rxbuf.size() / kFrameSize));
    if (count == 0) {
        gridinit(table);
        return 0;
    }

    table.setRowCount(2 * count);
    for (int n = 1; n <= count; ++n) {
        const QByteArrayView record = rxbuf.sliced(qsizetype(n - 1) * kFrameSize, kFrameSize);
        state.frametype = byteAt(record, 0);
        if (measure::takesFramesub(state.frametype))
            state.framesub = byteAt(record, 1);
        rechead(table, n, state.frametype, state.framesub);

        ValueRow row(table, 2 * n - 1, record);
        switch (state.frametype) {
        case 0:
        case 3:
            decodePhaseOrTotals(row, state.frametype, state.framesub);
            break;
        case 1:
            decodeVoltages(row);
            break;
        case 2:
            decodeAngles(row);
            break;
        default:
            break;
        }
    }
    return count;
}

} // namespace korvane::records
