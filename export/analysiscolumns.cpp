// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/analysiscolumns.h"

#include "datalog/fields.h"

namespace korvane::exporting {

QStringList AnalysisColumns::headings() const
{
    QStringList names{QStringLiteral("record"), QStringLiteral("kind"), QStringLiteral("index"),
                      QStringLiteral("clock")};
    for (measure::Key key : keys)
        names << datalog::columnHeading(key);
    names << QStringLiteral("overload");
    if (incomplete)
        names << QStringLiteral("incomplete");
    return names;
}

AnalysisColumns analysisColumns(std::span<const records::StoredRecord> stored, Download download)
{
    std::array<bool, measure::kKeyCount> present{};
    for (const records::StoredRecord& record : stored) {
        if (!record.reading)
            continue;
        for (const measure::Quantity& q : record.reading->values())
            present[std::size_t(q.key)] = true;
    }
    AnalysisColumns columns;
    for (int k = 0; k < measure::kKeyCount; ++k) {
        if (present[std::size_t(k)])
            columns.keys.push_back(measure::Key(k));
    }
    columns.incomplete = download == Download::Incomplete;
    return columns;
}

QuantitiesByKey quantitiesByKey(const measure::Reading& reading)
{
    QuantitiesByKey byKey{};
    for (const measure::Quantity& q : reading.values())
        byKey[std::size_t(q.key)] = &q;
    return byKey;
}

QByteArray clockCell(const measure::MeterClock& clock)
{
    QByteArray out;
    for (quint8 part : {clock.hours, clock.minutes, clock.seconds}) {
        if (!out.isEmpty())
            out += ':';
        if (part < 10)
            out += '0';
        out += QByteArray::number(part);
    }
    return out;
}

QByteArray overloadCell(const measure::Reading& reading)
{
    QByteArray out;
    for (const measure::Quantity& q : reading.values()) {
        if (q.state != measure::State::Overload)
            continue;
        if (!out.isEmpty())
            out += ' ';
        out += measure::keyInfo(q.key).name.toLatin1();
    }
    return out;
}

} // namespace korvane::exporting
