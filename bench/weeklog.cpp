// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/weeklog.h"

#include "bench/procstats.h"
#include "bench/weekstore.h"
#include "datalog/csvformat.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

namespace korvane::bench {

namespace {
// The link lost for half a minute every six hours, as a real week has it now and then.
constexpr qint64 kGapEveryMs = 6 * 3600 * 1000;
constexpr qint64 kGapMs = 30'000;

} // namespace

bool writeWeekLog(const QString& path, int days, bool noisy)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    datalog::CsvFormat csv(datalog::CsvFormat::style(datalog::Dialect::Comma, true));
    QByteArray out = csv.frameHeading();
    const auto readings = bench::liveReadings();
    const qint64 start =
        QDateTime(QDate(2026, 12, 1), QTime(0, 0)).toMSecsSinceEpoch(); // local midnight
    const qint64 frames = days * (bench::kWeekMs / 7) / bench::kFramePeriodMs;
    qint64 lines = 0;
    QRandomGenerator random(1);
    for (qint64 n = 0; n < frames; ++n) {
        const qint64 t = start + n * bench::kFramePeriodMs;
        const qint64 intoGap = (t - start) % kGapEveryMs;
        if (n > 0 && intoGap == 0)
            out += csv.event({t, QStringLiteral("link lost")});
        if (n > 0 && intoGap < kGapMs)
            continue;
        if (n > 0 && intoGap == kGapMs)
            out += csv.event({t, QStringLiteral("meter found on /dev/ttyUSB0")});
        measure::Reading r = readings[std::size_t(n % sim::kLiveCycle)];
        r.receivedMs = t;
        if (noisy) {
            for (int i = 0; i < r.count; ++i)
                r.quantities[std::size_t(i)].value *= 1 + (random.generateDouble() - 0.5) * 1e-3;
        }
        out += csv.frame(r);
        ++lines;
        if (out.size() > (1 << 20)) {
            if (file.write(out) != out.size())
                return false;
            out.clear();
        }
    }
    std::printf("log                        %lld frames, %.1f MiB\n", static_cast<long long>(lines),
                bench::mebibytes(std::size_t(file.size() + out.size())));
    return file.write(out) == out.size();
}

} // namespace korvane::bench
