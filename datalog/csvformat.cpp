// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/csvformat.h"

#include "datalog/fields.h"

#include <QStringList>

namespace korvane::datalog {

using measure::Key;

CsvFormat::Style CsvFormat::style(Dialect dialect, bool bom)
{
    if (dialect == Dialect::Semicolon)
        return {';', ',', bom, "\r\n"};
    return {',', '.', bom, "\r\n"};
}

QByteArray CsvFormat::heading(const QStringList& names) const
{
    QByteArray out;
    if (m_style.bom)
        out = "\xEF\xBB\xBF";
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += m_style.separator;
        appendCsvField(out, names[i].toUtf8(), m_style.separator);
    }
    return out + m_style.lineEnd.toByteArray();
}

QByteArray CsvFormat::frameHeading() const
{
    QStringList names{QStringLiteral("time")};
    for (int k = 0; k < measure::kKeyCount; ++k)
        names << columnHeading(Key(k));
    for (const DerivedColumn& column : derivedColumns())
        names << (column.unit.isEmpty() ? column.name
                                        : column.name + QStringLiteral(" [") + column.unit + u']');
    names << QStringLiteral("kind") << QStringLiteral("index") << QStringLiteral("status");
    return heading(names);
}

QByteArray CsvFormat::statsHeading() const
{
    return heading({QStringLiteral("start"), QStringLiteral("end"), QStringLiteral("quantity"),
                    QStringLiteral("unit"), QStringLiteral("min"), QStringLiteral("avg"),
                    QStringLiteral("max"), QStringLiteral("count"), QStringLiteral("overloads"),
                    QStringLiteral("partial")});
}

QByteArray CsvFormat::frame(const measure::Reading& reading, const DerivedValues& derived)
{
    std::array<const measure::Quantity*, measure::kKeyCount> byKey{};
    for (const measure::Quantity& q : reading.values())
        byKey[std::size_t(q.key)] = &q;
    QByteArray out = isoTimeBytes(reading.receivedMs);
    out.reserve(out.size() + 8 * measure::kLiveRows + measure::kKeyCount + 4);
    for (const measure::Quantity* q : byKey) {
        out += m_style.separator;
        if (!q)
            continue;
        if (q->state == measure::State::Overload)
            out += "OL";
        else if (q->hasValue())
            appendNumber(out, q->value, m_style.decimalPoint);
    }
    for (std::size_t i = 0; i < derivedColumns().size(); ++i) {
        out += m_style.separator;
        if (i < derived.size() && derived[i])
            appendNumber(out, *derived[i], m_style.decimalPoint);
    }
    out += m_style.separator + QByteArray::number(reading.kind) + m_style.separator;
    if (reading.hasIndex())
        out += QByteArray::number(reading.index);
    out += m_style.separator; // the status stays empty
    out += m_style.lineEnd;
    return out;
}

QByteArray CsvFormat::event(const Event& event)
{
    QByteArray out = isoTimeBytes(event.ms);
    out +=
        QByteArray(measure::kKeyCount + qsizetype(derivedColumns().size()) + 3, m_style.separator);
    appendCsvField(out, event.text.toUtf8(), m_style.separator);
    out += m_style.lineEnd;
    return out;
}

QByteArray CsvFormat::stats(const IntervalSummary& summary)
{
    const QByteArray start = isoTimeBytes(summary.startMs);
    const QByteArray end = isoTimeBytes(summary.endMs);
    const char sep = m_style.separator;
    QByteArray out;
    for (const QuantityStats& s : summary.quantities) {
        const measure::KeyInfo& info = measure::keyInfo(s.key);
        out += start + sep + end + sep;
        appendCsvField(out, info.name.toUtf8(), sep);
        out += sep;
        appendCsvField(out, info.unit.toUtf8(), sep);
        out += sep;
        if (s.count > 0)
            appendNumber(out, s.min, m_style.decimalPoint);
        out += sep;
        if (s.mean)
            appendNumber(out, *s.mean, m_style.decimalPoint);
        out += sep;
        if (s.count > 0)
            appendNumber(out, s.max, m_style.decimalPoint);
        out += sep + QByteArray::number(s.count) + sep + QByteArray::number(s.overloads) + sep +
               (summary.partial ? "true" : "false");
        out += m_style.lineEnd;
    }
    return out;
}

} // namespace korvane::datalog
