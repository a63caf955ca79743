// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/analysiscsv.h"

#include "datalog/fields.h"
#include "export/atomicfile.h"

namespace korvane::exporting {

QByteArray analysisCsv(std::span<const records::StoredRecord> stored, Download download,
                       const datalog::CsvFormat::Style& style)
{
    const AnalysisColumns columns = analysisColumns(stored, download);
    const char sep = style.separator;
    const QByteArray lineEnd = style.lineEnd.toByteArray();

    QByteArray out;
    out.reserve(qsizetype(stored.size()) * (16 + 8 * qsizetype(columns.keys.size())) + 512);
    if (style.bom)
        out += "\xEF\xBB\xBF";
    const QStringList headings = columns.headings();
    for (qsizetype i = 0; i < headings.size(); ++i) {
        if (i > 0)
            out += sep;
        datalog::appendCsvField(out, headings[i].toUtf8(), sep);
    }
    out += lineEnd;

    for (const records::StoredRecord& record : stored) {
        out += QByteArray::number(record.number);
        out += sep;
        out += QByteArray::number(record.type);
        out += sep;
        if (!record.reading) {
            out += QByteArray(qsizetype(columns.keys.size()) + 2, sep);
        } else {
            const measure::Reading& reading = *record.reading;
            if (reading.hasIndex())
                out += QByteArray::number(reading.index);
            out += sep;
            if (reading.clock)
                out += clockCell(*reading.clock);
            const QuantitiesByKey byKey = quantitiesByKey(reading);
            for (measure::Key key : columns.keys) {
                out += sep;
                const measure::Quantity* q = byKey[std::size_t(key)];
                if (q && q->hasValue())
                    datalog::appendNumber(out, q->value, style.decimalPoint);
            }
            out += sep;
            datalog::appendCsvField(out, overloadCell(reading), sep);
        }
        if (columns.incomplete) {
            out += sep;
            out += "true";
        }
        out += lineEnd;
    }
    return out;
}

SaveResult saveAnalysisCsv(const QString& path, std::span<const records::StoredRecord> stored,
                           Download download, datalog::Dialect dialect)
{
    return writeFileAtomically(
        path, analysisCsv(stored, download, datalog::CsvFormat::style(dialect, true)));
}

} // namespace korvane::exporting
