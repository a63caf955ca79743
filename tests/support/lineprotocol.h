// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QRegularExpression>
#include <QString>

#include <optional>

namespace korvane::testing {

// One line of the line protocol: measurement, tags, fields (raw values), nanoseconds.
struct ProtocolLine
{
    QString measurement;
    QMap<QString, QString> tags;
    QMap<QString, QString> fields;
    qint64 ns = 0;
};

inline std::optional<ProtocolLine> parseLineProtocol(const QString& line)
{
    static const QRegularExpression grammar(QStringLiteral(
        "^([A-Za-z_][A-Za-z0-9_]*)((?:,[A-Za-z_]+=(?:[^,= \\\\]|\\\\[,= \\\\])+)*) "
        "([A-Za-z0-9_]+=(?:-?[0-9]+(?:\\.[0-9]+)?i?|true|false|\"(?:[^\"\\\\]|\\\\.)*\")"
        "(?:,[A-Za-z0-9_]+=(?:-?[0-9]+(?:\\.[0-9]+)?i?|true|false|\"(?:[^\"\\\\]|\\\\.)*\"))*)"
        " ([0-9]+)\\n$"));
    const QRegularExpressionMatch m = grammar.match(line);
    if (!m.hasMatch())
        return std::nullopt;
    ProtocolLine out{m.captured(1), {}, {}, m.captured(4).toLongLong()};
    static const QRegularExpression tag(QStringLiteral(",([A-Za-z_]+)=((?:[^,= \\\\]|\\\\.)+)"));
    for (const QRegularExpressionMatch& t : tag.globalMatch(m.captured(2)))
        out.tags[t.captured(1)] = t.captured(2);
    static const QRegularExpression field(
        QStringLiteral("([A-Za-z0-9_]+)=(\"(?:[^\"\\\\]|\\\\.)*\"|[^,]+)"));
    for (const QRegularExpressionMatch& f : field.globalMatch(m.captured(3)))
        out.fields[f.captured(1)] = f.captured(2);
    return out;
}

} // namespace korvane::testing
