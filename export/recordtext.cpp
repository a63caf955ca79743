// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/recordtext.h"

#include "export/atomicfile.h"

#include <array>

namespace korvane::exporting {

namespace {
constexpr int kTextColumns = 4;
constexpr std::array<int, kTextColumns> kHeadingStops{0, 20, 40, 60};
constexpr std::array<int, kTextColumns> kValueStops{0, 19, 39, 59};

qsizetype characters(const QString& text)
{
    qsizetype count = 0;
    for (auto it = text.cbegin(); it != text.cend(); ++it) {
        if (!it->isLowSurrogate())
            ++count;
    }
    return count;
}

// Writes cells at tab stops; `column` is where the next character goes, counted from 1.
class TabWriter
{
public:
    void tabTo(qsizetype stop)
    {
        stop = std::max<qsizetype>(stop, 1);
        if (m_column < stop) {
            m_text += QString(stop - m_column, u' ');
        } else if (m_column > stop) {
            m_text += QStringLiteral("\r\n") + QString(stop - 1, u' ');
        }
        m_column = stop;
    }
    void write(const QString& cell)
    {
        m_text += cell;
        m_column += characters(cell);
    }
    QByteArray bytes() const { return m_text.toUtf8(); }

private:
    QString m_text;
    qsizetype m_column = 1;
};
} // namespace

QByteArray recordTableText(const records::RecordTable& table)
{
    TabWriter out;
    for (int row = 0; row < table.rowCount(); ++row) {
        const bool valueRow = row % 2 == 1;
        const qsizetype shift = valueRow ? characters(table.cell(row, 0)) : 0;
        const auto& stops = valueRow ? kValueStops : kHeadingStops;
        for (int c = 0; c < kTextColumns; ++c) {
            out.tabTo(c == 0 ? stops[c] : stops[c] - shift);
            out.write(table.cell(row, c));
        }
    }
    return out.bytes();
}

SaveResult saveRecordText(const QString& path, const records::RecordTable& table)
{
    return writeFileAtomically(path, recordTableText(table));
}

} // namespace korvane::exporting
