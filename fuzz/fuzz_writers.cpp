// SPDX-License-Identifier: GPL-3.0-or-later
// Cells of any text, some of them huge, through the record text and CSV writers and the live
// view text. Input: [rows], then strings of [kind and length][data][once, or FF k: 2^k times];
// the strings fill the table row by row and, from the first again, the live view's texts.
#include "export/liveviewtext.h"
#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "fuzz/fuzzcheck.h"
#include "records/recordtable.h"

#include <QList>
#include <QStringDecoder>

#include <array>
#include <optional>
#include <vector>

using namespace korvane;
using namespace korvane::fuzz;
using records::RecordTable;

namespace {
constexpr int kColumns = RecordTable::kColumns;
constexpr int kMaxRows = 40;
// A thousand times a real cell. Longer strings reach no other code, and under ASan every buffer
// of 128 KiB or more is a fresh mapping, which made runs with 2^16 characters three times slower.
constexpr qsizetype kMaxTotalLength = 1 << 14;

// One string of the input: UTF-8, raw UTF-16 (lone surrogates and all), Latin-1 or UCS-4,
// then once, or, after a repeat byte of FF, 2^k times (k from the next byte, up to 2^16) while
// the input's strings stay within kMaxTotalLength.
QString readString(InputReader& in, qsizetype& budget)
{
    const quint8 head = in.byte();
    const std::size_t length = head >> 2;
    QString text;
    switch (head & 3) {
    case 0:
        text = QString::fromUtf8(in.bytes(length));
        break;
    case 1: {
        const QByteArray raw = in.bytes(2 * length);
        for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
            text += QChar(char16_t(quint8(raw[i]) | quint8(raw[i + 1]) << 8));
        break;
    }
    case 2:
        text = QString::fromLatin1(in.bytes(length));
        break;
    default: {
        const QByteArray raw = in.bytes(4 * length);
        std::vector<char32_t> units;
        for (qsizetype i = 0; i + 3 < raw.size(); i += 4) {
            units.push_back(char32_t(quint8(raw[i]) | quint8(raw[i + 1]) << 8 |
                                     quint8(raw[i + 2]) << 16 | quint32(quint8(raw[i + 3])) << 24));
        }
        text = QString::fromUcs4(units.data(), qsizetype(units.size()));
        break;
    }
    }
    qsizetype times = 1;
    if (in.byte() == 0xFF)
        times = qsizetype(1) << (in.byte() % 17);
    if (!text.isEmpty())
        times = std::min(times, std::max<qsizetype>(1, budget / text.size()));
    text = text.repeated(times);
    budget -= text.size();
    return text;
}

// UTF-8 to text, a leading byte-order mark kept as a character; nothing for invalid UTF-8.
std::optional<QString> fromUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless |
                                                     QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// What a string becomes once written as UTF-8: lone surrogates cannot be, and are replaced.
QString asWritten(const QString& text)
{
    return fromUtf8(text.toUtf8()).value_or(QStringLiteral("(not UTF-8)"));
}

// A strict RFC 4180 reader: quoted fields double their quotes, unquoted ones hold no quote,
// comma, CR or LF, and every record ends with CR LF. Nothing when the text breaks a rule.
std::optional<QList<QStringList>> readCsv(QStringView text)
{
    QList<QStringList> records;
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        QString field;
        if (text[i] == u'"') {
            // Runs of text between quotes; a doubled quote stands for one.
            for (++i;;) {
                const qsizetype quote = text.indexOf(u'"', i);
                if (quote < 0)
                    return std::nullopt;
                field += text.sliced(i, quote - i);
                i = quote + 1;
                if (i < n && text[i] == u'"') {
                    field += u'"';
                    ++i;
                    continue;
                }
                break;
            }
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u',' && text[i] != u'\r') {
                if (text[i] == u'"' || text[i] == u'\n')
                    return std::nullopt;
                ++i;
            }
            field = text.sliced(start, i - start).toString();
        }
        fields << field;
        if (i < n && text[i] == u',') {
            ++i;
            if (i == n)
                return std::nullopt;
            continue;
        }
        if (i + 1 < n && text[i] == u'\r' && text[i + 1] == u'\n') {
            i += 2;
            records << std::exchange(fields, {});
            continue;
        }
        return std::nullopt;
    }
    if (!fields.isEmpty())
        return std::nullopt;
    return records;
}

void checkCsv(const RecordTable& table)
{
    const QByteArray csv = exporting::recordTableCsv(table);
    KORVANE_FUZZ_CHECK(csv.startsWith("\xEF\xBB\xBF"), "no byte-order mark");
    const auto body = fromUtf8(csv.sliced(3));
    KORVANE_FUZZ_CHECK(body.has_value(), "CSV is not UTF-8");
    const auto records = readCsv(*body);
    KORVANE_FUZZ_CHECK(records.has_value(), "CSV does not read back");
    KORVANE_FUZZ_CHECK(records->size() == table.rowCount(),
                       QStringLiteral("%1 records").arg(records->size()));
    for (int r = 0; r < table.rowCount(); ++r) {
        const QStringList& fields = records->at(r);
        KORVANE_FUZZ_CHECK(fields.size() == kColumns, QStringLiteral("record %1").arg(r));
        for (int c = 0; c < kColumns; ++c)
            KORVANE_FUZZ_CHECK(fields[c] == asWritten(table.cell(r, c)),
                               QStringLiteral("field %1,%2").arg(r).arg(c));
    }
}

// The text less its blanks and line-end characters, the only things the writer puts between
// cells (all in the BMP, so removing them never splits a surrogate pair).
QString withoutGaps(QString text)
{
    return text.remove(u' ').remove(u'\r').remove(u'\n');
}

// Characters as the text file counts them: code points of valid UTF-16.
qsizetype characters(const QString& text)
{
    return text.toUcs4().size();
}

// Where cell `column` of `row` starts, counted from 1: tab stops 20, 40, 60 on heading rows,
// 19 - L, 39 - L, 59 - L on value rows (L: characters of the row's first cell), never before 1.
qsizetype stopOf(int row, int column, qsizetype firstCellLength)
{
    constexpr std::array<qsizetype, 4> kHeading{1, 20, 40, 60};
    constexpr std::array<qsizetype, 4> kValue{1, 19, 39, 59};
    if (column == 0)
        return 1;
    if (row % 2 == 0)
        return kHeading[column];
    return std::max<qsizetype>(1, kValue[column] - firstCellLength);
}

void checkRecordText(const RecordTable& table)
{
    const auto decoded = fromUtf8(exporting::recordTableText(table));
    KORVANE_FUZZ_CHECK(decoded.has_value(), "record text is not UTF-8");
    const QString& text = *decoded;
    KORVANE_FUZZ_CHECK(text.count(QStringLiteral("\r\n")) >= table.rowCount() - 1,
                       "fewer line ends than row boundaries");

    // Where a cell is not valid UTF-16 its neighbour may pair with it once written; then only
    // the checks above are exact.
    bool wellFormed = true;
    bool breaksLines = false;
    QString cells;
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < 4; ++c) {
            const QString& cell = table.cell(r, c);
            wellFormed = wellFormed && QStringView(cell).isValidUtf16();
            breaksLines = breaksLines || cell.contains(u'\r') || cell.contains(u'\n');
            cells += cell;
        }
    }
    if (!wellFormed)
        return;
    // Between the cells of columns 0 to 3 there are only blanks and line ends: columns 4 to 6
    // and nothing else get in, and nothing is lost or reordered.
    KORVANE_FUZZ_CHECK(withoutGaps(text) == withoutGaps(cells),
                       "record text is not the cells in order");

    if (breaksLines)
        return;
    // Cells that fit between their stops: one line per row, each cell at its stop.
    for (int r = 0; r < table.rowCount(); ++r) {
        const qsizetype first = characters(table.cell(r, 0));
        for (int c = 0; c < 3; ++c) {
            if (stopOf(r, c, first) + characters(table.cell(r, c)) > stopOf(r, c + 1, first))
                return; // this cell runs past the next stop, so the next goes on a new line
        }
    }
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    KORVANE_FUZZ_CHECK(
        lines.size() == std::max(1, table.rowCount()),
        QStringLiteral("%1 lines for %2 rows").arg(lines.size()).arg(table.rowCount()));
    for (int r = 0; r < table.rowCount(); ++r) {
        const qsizetype first = characters(table.cell(r, 0));
        QString expected;
        qsizetype column = 1;
        for (int c = 0; c < 4; ++c) {
            const qsizetype stop = stopOf(r, c, first);
            expected += QString(stop - column, u' ');
            expected += table.cell(r, c);
            column = stop + characters(table.cell(r, c));
        }
        KORVANE_FUZZ_CHECK(lines[r] == expected,
                           QStringLiteral("line %1: \"%2\"").arg(r).arg(lines[r]));
    }
}

void checkLiveViewText(const exporting::LiveRowTexts& captions,
                       const exporting::LiveRowTexts& values)
{
    const auto text = fromUtf8(exporting::liveViewText(captions, values));
    KORVANE_FUZZ_CHECK(text.has_value(), "live view text is not UTF-8");
    QString expected;
    for (int i = 0; i < measure::kLiveRows; ++i) {
        expected += QStringLiteral("     ") + asWritten(captions[i]) + QStringLiteral("     ") +
                    asWritten(values[i]) + QStringLiteral("\r\n");
    }
    KORVANE_FUZZ_CHECK(*text == expected, "live view text layout");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    const int rows = in.byte() % (kMaxRows + 1);
    qsizetype budget = kMaxTotalLength;
    QStringList strings;
    while (!in.atEnd())
        strings << readString(in, budget);

    RecordTable table;
    table.setRowCount(rows);
    for (int i = 0; i < std::min<qsizetype>(strings.size(), qsizetype(rows) * kColumns); ++i)
        table.setCell(i / kColumns, i % kColumns, strings[i]);
    checkRecordText(table);
    checkCsv(table);

    exporting::LiveRowTexts captions;
    exporting::LiveRowTexts values;
    for (int i = 0; i < measure::kLiveRows; ++i) {
        captions[i] = strings.value(i);
        values[i] = strings.value(measure::kLiveRows + i);
    }
    checkLiveViewText(captions, values);
    return 0;
}
