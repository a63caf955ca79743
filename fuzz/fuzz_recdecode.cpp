// SPDX-License-Identifier: GPL-3.0-or-later
// Record dumps through recdecode. Input: the record count (two bytes, low first), then the dump.
// The dump is decoded into a fresh table and into one left over from an earlier decode.
#include "fuzz/fieldcheck.h"
#include "fuzz/fuzzcheck.h"
#include "records/recdecode.h"

#include <algorithm>
#include <array>

using namespace korvane;
using namespace korvane::fuzz;
using records::RecordTable;

namespace {
constexpr int kColumns = RecordTable::kColumns;
constexpr qsizetype kMaxCellLength = 16;

// The field each value cell shows, or nothing where the cell is cleared (or, for
// columns 0 of value rows, never written).
using ColumnRules = std::array<std::optional<FieldAt>, kColumns>;

constexpr ColumnRules kPhase{std::nullopt,
                             FieldAt{Field::Voltage, 2},
                             FieldAt{Field::Current, 5},
                             FieldAt{Field::PowerFactor, 8},
                             FieldAt{Field::Active, 11},
                             FieldAt{Field::Reactive, 14},
                             FieldAt{Field::Apparent, 17}};
constexpr ColumnRules kTotals{std::nullopt,
                              FieldAt{Field::PowerFactor, 8},
                              FieldAt{Field::Active, 11},
                              FieldAt{Field::Reactive, 14},
                              FieldAt{Field::Apparent, 17},
                              std::nullopt,
                              std::nullopt};
constexpr ColumnRules kVoltages{std::nullopt,
                                FieldAt{Field::Voltage, 1},
                                FieldAt{Field::Voltage, 4},
                                FieldAt{Field::Voltage, 7},
                                FieldAt{Field::Current, 10},
                                FieldAt{Field::Hz, 13},
                                std::nullopt};
constexpr ColumnRules kAngles{std::nullopt,
                              FieldAt{Field::Angle, 10},
                              FieldAt{Field::Angle, 12},
                              FieldAt{Field::Angle, 14},
                              FieldAt{Field::Angle, 16},
                              FieldAt{Field::Phase, 18},
                              std::nullopt};
constexpr ColumnRules kType3{std::nullopt,
                             FieldAt{Field::Voltage, 2},
                             FieldAt{Field::Current, 5},
                             FieldAt{Field::PowerFactor, 8},
                             FieldAt{Field::Active, 11},
                             FieldAt{Field::W, 14},
                             FieldAt{Field::Time, 17}};

bool isResetState(const RecordTable& table)
{
    RecordTable reset;
    records::gridinit(reset);
    return table == reset;
}

QString where(int row, int column, const QString& cell)
{
    return QStringLiteral("cell %1,%2 \"%3\"").arg(row).arg(column).arg(cell);
}

// A known type's value row: every cell a rule names shows its field, or, where the field
// has no text (an undefined code), keeps what the table held.
void checkValueRow(const RecordTable& table, const RecordTable& before, int row,
                   QByteArrayView record, quint8 type, quint8 sub)
{
    const ColumnRules& rules = type == 0   ? (sub >= 3 ? kTotals : kPhase)
                               : type == 1 ? kVoltages
                               : type == 2 ? kAngles
                                           : kType3;
    const bool negative = measure::byteAt(record, 10) != 1;
    for (int c = 1; c < kColumns; ++c) {
        const QString& cell = table.cell(row, c);
        if (!rules[c]) {
            KORVANE_FUZZ_CHECK(cell.isEmpty(), where(row, c, cell));
            continue;
        }
        const QString problem = fieldProblem(cell, record, *rules[c], negative);
        if (problem.isEmpty())
            continue;
        // An undefined code writes nothing: the cell keeps its text, and the field has none. A
        // totals record is first decoded as a phase record, so that text may be what it keeps.
        const bool totals = type == 0 && sub >= 3;
        const bool keptPhaseText =
            totals && kPhase[c] && fieldProblem(cell, record, *kPhase[c], negative).isEmpty();
        KORVANE_FUZZ_CHECK(cell == before.cell(row, c) || keptPhaseText,
                           where(row, c, cell) + u' ' + problem);
        KORVANE_FUZZ_CHECK(fieldProblem(std::nullopt, record, *rules[c], negative).isEmpty(),
                           where(row, c, cell) + u' ' + problem);
    }
}

void checkDecode(const RecordTable& table, const RecordTable& before, QByteArrayView dump,
                 quint16 count, int decoded)
{
    const int expected = int(std::min<qsizetype>(count, dump.size() / measure::kFrameSize));
    KORVANE_FUZZ_CHECK(decoded == expected, QStringLiteral("%1 of %2").arg(decoded).arg(expected));
    if (decoded == 0) {
        KORVANE_FUZZ_CHECK(isResetState(table), "no record but the table is not reset");
        return;
    }
    KORVANE_FUZZ_CHECK(table.rowCount() == 2 * decoded, QString::number(table.rowCount()));

    for (int n = 1; n <= decoded; ++n) {
        const QByteArrayView record =
            dump.sliced(qsizetype(n - 1) * measure::kFrameSize, measure::kFrameSize);
        const quint8 type = measure::byteAt(record, 0);
        const quint8 sub = type == 0 || type == 3 ? measure::byteAt(record, 1) : 0;
        const int heading = 2 * n - 2;
        const int values = 2 * n - 1;
        KORVANE_FUZZ_CHECK(table.cell(heading, 0) == QStringLiteral("NO:%1").arg(n),
                           where(heading, 0, table.cell(heading, 0)));
        KORVANE_FUZZ_CHECK(table.cell(values, 0) == before.cell(values, 0),
                           where(values, 0, table.cell(values, 0)));
        for (int c = 0; c < kColumns; ++c) {
            KORVANE_FUZZ_CHECK(table.cell(heading, c).size() <= kMaxCellLength ||
                                   table.cell(heading, c) == before.cell(heading, c),
                               where(heading, c, table.cell(heading, c)));
            KORVANE_FUZZ_CHECK(table.cell(values, c).size() <= kMaxCellLength ||
                                   table.cell(values, c) == before.cell(values, c),
                               where(values, c, table.cell(values, c)));
        }
        if (type > 3) {
            // An unknown type writes nothing but the record number.
            for (int c = 1; c < kColumns; ++c) {
                KORVANE_FUZZ_CHECK(table.cell(heading, c) == before.cell(heading, c),
                                   where(heading, c, table.cell(heading, c)));
                KORVANE_FUZZ_CHECK(table.cell(values, c) == before.cell(values, c),
                                   where(values, c, table.cell(values, c)));
            }
            continue;
        }
        if (type == 3 || (type == 0 && sub < 3)) {
            const QString number = QString::number(int(sub) + 1);
            KORVANE_FUZZ_CHECK(table.cell(heading, 1) == u'U' + number,
                               where(heading, 1, table.cell(heading, 1)));
        }
        checkValueRow(table, before, values, record, type, sub);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    const quint16 count = in.word();
    const QByteArray dump = in.rest();

    // Once into a reset table. Rows a decode adds start empty and the table reads cells past
    // its end as empty, so the table before the decode also tells what its cells held after the
    // resize.
    RecordTable reset;
    records::gridinit(reset);
    RecordTable fresh = reset;
    const int decoded = records::recdecode(fresh, dump, count, 0);
    checkDecode(fresh, reset, dump, count, decoded);

    // Again over the table a decode of the dump's tail left.
    RecordTable stale;
    const QByteArrayView tail = QByteArrayView(dump).sliced(std::min<qsizetype>(dump.size(), 7));
    records::recdecode(stale, tail, quint16(~count), 0);
    const RecordTable staleBefore = stale;
    const int decodedAgain = records::recdecode(stale, dump, count, 0);
    checkDecode(stale, staleBefore, dump, count, decodedAgain);

    // The result depends on the table only through the cells the decode leaves alone.
    KORVANE_FUZZ_CHECK(decodedAgain == decoded, "decode depends on the table");
    for (int r = 0; r < 2 * decoded; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const bool same = fresh.cell(r, c) == stale.cell(r, c);
            const bool kept =
                fresh.cell(r, c) == reset.cell(r, c) && stale.cell(r, c) == staleBefore.cell(r, c);
            KORVANE_FUZZ_CHECK(same || kept, where(r, c, stale.cell(r, c)));
        }
    }
    return 0;
}
