#include "export/trendcsv.h"

#include "export/atomicfile.h"

#include <QDateTime>

#include <charconv>
#include <cstdlib>

#include <limits>
#include <vector>

namespace korvane::exporting {

namespace {
QString heading(measure::Key key)
{
    const measure::KeyInfo& info = measure::keyInfo(key);
    if (info.unit.isEmpty())
        return info.name.toString();
    return info.name.toString() + QStringLiteral(" [") + info.unit.toString() + u']';
}

// The shortest text that reads back to the same float: 49.9, not 49.9000015.
QString number(float value)
{
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return ec == std::errc() ? QString::fromLatin1(buf, end - buf) : QString();
}
} // namespace

QString isoTimeWithOffset(qint64 ms)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    // Written out by hand: Qt's ISO form leaves the offset out of local times and writes UTC
    // as "Z", where readers of these files expect "+00:00" like every other offset.
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}

QByteArray trendCsv(const trend::TrendStore& store, const QList<measure::Key>& keys, qint64 fromMs,
                    qint64 toMs)
{
    QString text = QStringLiteral("time");
    std::vector<const trend::Series*> series;
    std::vector<qsizetype> next;
    std::vector<qsizetype> end;
    for (measure::Key key : keys) {
        text += u',' + heading(key);
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
        text += isoTimeWithOffset(earliest);
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
