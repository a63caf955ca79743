// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/overviewcsv.h"

#include "datalog/fields.h"
#include "export/atomicfile.h"

#include <QStringList>

#include <cmath>

namespace korvane::exporting {

namespace {
// The file reads the same whatever the user's locale: a point, never a comma.
QString number(const std::optional<double>& value, int decimals)
{
    if (!value || std::isnan(*value))
        return {};
    return QString::number(*value, 'f', decimals);
}

void appendRow(QByteArray& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        datalog::appendCsvField(out, fields[i].toUtf8(), ',');
    }
    out += "\r\n";
}

QString valueText(const measure::OverviewRow& row, const measure::OverviewCell& cell)
{
    if (cell.state == measure::State::Value &&
        measure::keyInfo(*cell.key).group != measure::Group::Sequence)
        return number(cell.value, row.decimals);
    return cell.text; // "OL", a word, or empty
}
} // namespace

QByteArray overviewCsv(const measure::OverviewTable& table, qint64 savedMs)
{
    const QString saved = datalog::isoTimeWithOffset(savedMs);
    QByteArray out("\xEF\xBB\xBF");
    appendRow(out, {QStringLiteral("time"), QStringLiteral("quantity"), QStringLiteral("value"),
                    QStringLiteral("unit"), QStringLiteral("min"), QStringLiteral("max"),
                    QStringLiteral("received")});
    const auto rows = [&](const auto& list) {
        for (const measure::OverviewRow& row : list) {
            for (const measure::OverviewCell& cell : row.cells) {
                if (!cell.key)
                    continue;
                appendRow(
                    out,
                    {saved, measure::keyInfo(*cell.key).name.toString(), valueText(row, cell),
                     row.unit, number(cell.min, row.decimals), number(cell.max, row.decimals),
                     cell.receivedMs ? datalog::isoTimeWithOffset(cell.receivedMs) : QString()});
            }
        }
    };
    rows(table.grid);
    rows(table.details);
    rows(table.type3);
    const QString received =
        table.type3ReceivedMs ? datalog::isoTimeWithOffset(table.type3ReceivedMs) : QString();
    const QString index = table.type3Number ? QString::number(table.type3Number) : QString();
    appendRow(out, {saved, QStringLiteral("T3index"), index, {}, {}, {}, received});
    appendRow(out, {saved, QStringLiteral("T3clock"), table.meterClock, {}, {}, {}, received});
    return out;
}

SaveResult saveOverviewCsv(const QString& path, const measure::OverviewTable& table, qint64 savedMs)
{
    return writeFileAtomically(path, overviewCsv(table, savedMs));
}

} // namespace korvane::exporting
