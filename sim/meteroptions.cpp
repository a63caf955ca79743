// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/meteroptions.h"

namespace korvane::sim {

namespace {
bool negative(const std::optional<std::chrono::milliseconds>& d)
{
    return d && d->count() < 0;
}
} // namespace

QString checkOptions(const MeterOptions& o)
{
    if (o.recordCount < 0 || o.recordCount > kMaxRecordCount)
        return QStringLiteral("record count %1 is outside 0..%2")
            .arg(o.recordCount)
            .arg(kMaxRecordCount);
    if (o.answerDelay.count() < 0)
        return QStringLiteral("the answer delay cannot be negative");
    if (o.fragmentsAfterAnswers && *o.fragmentsAfterAnswers < 0)
        return QStringLiteral("the number of answers before fragments cannot be negative");
    if (o.silentAfterAnswers && *o.silentAfterAnswers < 0)
        return QStringLiteral("the number of answers before falling silent cannot be negative");
    if (negative(o.silentAfterTime) || negative(o.silentFor) || negative(o.replugAfter))
        return QStringLiteral("a fault's duration cannot be negative");
    if (o.chunkSize < 0)
        return QStringLiteral("the chunk size cannot be negative");
    if (o.chunkGap.count() < 0)
        return QStringLiteral("the gap between chunks cannot be negative");
    if ((o.unplugMidDump && *o.unplugMidDump < 0) || (o.restartMidDump && *o.restartMidDump < 0))
        return QStringLiteral("a byte count within the dump cannot be negative");
    return {};
}

} // namespace korvane::sim
