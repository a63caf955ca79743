// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/trendcsv.h"

#include "datalog/fields.h"
#include "export/atomicfile.h"

#include <limits>
#include <vector>

namespace korvane::exporting {

namespace {
QString number(float value)
{
    QByteArray text;
    datalog::appendNumber(text, value);
    return QString::fromLatin1(text);
}
} // namespace

QByteArray trendCsv(const trend::TrendStore& store, const QList<measure::Key>& keys, qint64 fromMs,
                    qint64 toMs)
{
    QString text = QStringLiteral("time");
    std::vector<const trend::Series*> series;
    std::vector<qsizetype> next;
    std::vector<qsizetype> end;
    for (measure::Key key : keys) {
        text += u',' + datalog::columnHeading(key);
        const trend::Series& s = store.series(key);
        series.push_back(&s);
        next.push_back(s.lowerBound(fromMs));
        end.push_back(s.lowerBound(toMs));
    }
    text += QStringLiteral("\r\n");

    // Merge by time: each row takes every series' samples at the earliest time left.
    while (true) {
        qint64 earliest = std::numeric_limits<qint64>::max();
        for (std::size_t i = 0; i < series.size(); ++i) {
            if (next[i] < end[i])
                earliest = std::min(earliest, series[i]->timeAt(next[i]));
        }
        if (earliest == std::numeric_limits<qint64>::max())
            break;
        text += datalog::isoTimeWithOffset(earliest);
        for (std::size_t i = 0; i < series.size(); ++i) {
            text += u',';
            // Two samples of one quantity at the same millisecond: the later one counts.
            bool filled = false;
            float value = 0;
            while (next[i] < end[i] && series[i]->timeAt(next[i]) == earliest) {
                value = series[i]->valueAt(next[i]++);
                filled = true;
            }
            if (filled)
                text += number(value);
        }
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

SaveResult saveTrendCsv(const QString& path, const trend::TrendStore& store,
                        const QList<measure::Key>& keys, qint64 fromMs, qint64 toMs)
{
    return writeFileAtomically(path, trendCsv(store, keys, fromMs, toMs));
}

} // namespace korvane::exporting
