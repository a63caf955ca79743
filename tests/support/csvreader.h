// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

namespace korvane::testing {

// The lines of a CSV file written with a byte-order mark and CR LF; none when the mark is missing.
inline QStringList bomLines(const QByteArray& csv)
{
    if (!csv.startsWith("\xEF\xBB\xBF"))
        return {};
    QStringList out = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

// A strict reader of CSV as RFC 4180 has it (CR LF line ends, quotes doubled inside quoted
// fields), with the separator given: any malformed quoting, a bare CR or LF, or a row whose
// number of fields differs from the first row's is no table at all.
inline std::optional<QList<QStringList>> readCsvStrictly(const QString& text, QChar separator)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto endRow = [&] {
        row << field;
        field.clear();
        if (!rows.isEmpty() && rows.first().size() != row.size())
            return false;
        rows << row;
        row.clear();
        return true;
    };
    while (i < n) {
        if (text[i] == u'"' && field.isEmpty()) {
            ++i;
            for (;;) {
                if (i >= n)
                    return std::nullopt; // unterminated
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            if (i < n && text[i] != separator && text[i] != u'\r')
                return std::nullopt; // text after a closing quote
            continue;
        }
        const QChar c = text[i];
        if (c == separator) {
            row << field;
            field.clear();
            ++i;
        } else if (c == u'\r') {
            if (i + 1 >= n || text[i + 1] != u'\n' || !endRow())
                return std::nullopt;
            i += 2;
        } else if (c == u'\n' || c == u'"') {
            return std::nullopt;
        } else {
            field += c;
            ++i;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        return std::nullopt; // the last row has no line end
    return rows;
}

} // namespace korvane::testing
