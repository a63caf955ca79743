#include "records/rechead.h"

#include <array>

namespace korvane::records {

namespace {
using Headings = std::array<QStringView, 6>;

// Headings that carry the sub-index take framesub + 1 right after the letters.
constexpr Headings kPhasePrefixes{u"U", u"I", u"PF", u"P", u"Q", u"S"};
constexpr Headings kType3Prefixes{u"U", u"I", u"PF", u"P", u"W", u""};
constexpr Headings kTotals{u"PF", u"P", u"Q", u"S", u"", u""};
constexpr Headings kType1{u"U1", u"U2", u"U3", u"I", u"F", u""};
constexpr Headings kType2{u"U1\u00B0", u"U2\u00B0", u"U3\u00B0", u"I\u00B0", u"phase", u""};

constexpr quint8 kFirstTotalsSub = 3;

void writeRow(RecordTable& table, int row, const Headings& headings)
{
    for (int i = 0; i < 6; ++i)
        table.setCell(row, i + 1, headings[i].toString());
}

void writeNumbered(RecordTable& table, int row, const Headings& prefixes, int count, quint8 sub)
{
    const QString k = QString::number(int(sub) + 1);
    for (int i = 0; i < count; ++i)
        table.setCell(row, i + 1, prefixes[i].toString().append(k));
}
} // namespace

void rechead(RecordTable& table, int n, quint8 frametype, quint8 framesub)
{
    const int row = 2 * n - 2;
    table.setCell(row, 0, QStringLiteral("NO:") + QString::number(n));
    switch (frametype) {
    case 0:
        if (framesub >= kFirstTotalsSub)
            writeRow(table, row, kTotals);
        else
            writeNumbered(table, row, kPhasePrefixes, 6, framesub);
        break;
    case 1:
        writeRow(table, row, kType1);
        break;
    case 2:
        writeRow(table, row, kType2);
        break;
    case 3:
        writeNumbered(table, row, kType3Prefixes, 5, framesub);
        table.setCell(row, 6, QStringLiteral("Time"));
        break;
    default:
        break;
    }
}

} // namespace korvane::records
