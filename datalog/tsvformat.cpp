// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/tsvformat.h"

#include "measure/livetexts.h"

#include <QStringList>

namespace korvane::datalog {

QByteArray TsvFormat::frame(const measure::Reading& reading, const DerivedValues& derived)
{
    measure::applyTo(measure::liveTexts(reading), m_live);
    QStringList fields;
    for (int i = 0; i < measure::kLiveRows; ++i)
        fields << m_live.captions()[i] << m_live.values()[i];
    // Derived values follow as pairs of their own, as a person reads them: energy to a tenth of
    // a Wh, an amount with two decimals and its currency.
    for (std::size_t i = 0; i < derived.size() && i < derivedColumns().size(); ++i) {
        if (!derived[i])
            continue;
        const DerivedColumn& column = derivedColumns()[i];
        fields << column.name + QStringLiteral(": ");
        if (column.kind == DerivedColumn::Kind::Cost)
            fields << QString::number(*derived[i], 'f', 2) + u' ' + column.unit;
        else
            fields << QString::number(*derived[i], 'f', 1) + column.unit;
    }
    return fields.join(u'\t').toUtf8() + '\n';
}

} // namespace korvane::datalog
