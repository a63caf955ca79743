// SPDX-License-Identifier: GPL-3.0-or-later
#include "trend/ticks.h"

#include <QDateTime>

#include <array>
#include <chrono>
#include <cmath>

namespace korvane::trend {

namespace {
using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

constexpr std::array<Ms, 17> kTimeSteps{1s,    2s,    5s,    10s, 15s, 30s, 1min, 2min, 5min,
                                        10min, 15min, 30min, 1h,  3h,  6h,  12h,  24h};
constexpr qint64 kDay = Ms(24h).count();

// The round number of 1, 2, 5 × 10ⁿ at or above x.
double roundUp125(double x)
{
    const double power = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= x * (1 - 1e-12))
            return m * power;
    }
    return 10 * power;
}

QDateTime localMidnight(QDate date, const QTimeZone& zone)
{
    return QDateTime(date, QTime(0, 0), zone);
}
} // namespace

ValueTicks valueTicks(double low, double high, int wanted)
{
    ValueTicks ticks;
    wanted = std::max(wanted, 1);
    const double span = high - low;
    if (!(span > 0) || !std::isfinite(span)) {
        ticks.first = low;
        return ticks;
    }
    const double rough = span / wanted;
    const int exponent = int(std::floor(std::log10(rough)));
    const double power = std::pow(10.0, exponent);
    double mantissa = 10;
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
        // A hair of slack: 0.3 / 3 must give 0.1, not 0.2.
        if (m * power >= rough * (1 - 1e-9)) {
            mantissa = m;
            break;
        }
    }
    ticks.step = mantissa * power;
    ticks.first = std::ceil(low / ticks.step - 1e-9) * ticks.step;
    if (ticks.first == 0)
        ticks.first = 0; // no "-0"
    const int stepExponent = mantissa == 10 ? exponent + 1 : exponent;
    ticks.decimals = std::max(0, -stepExponent + (mantissa == 2.5 ? 1 : 0));
    return ticks;
}

qint64 timeStep(qint64 spanMs, double width, double labelWidth)
{
    if (spanMs <= 0 || width <= 0)
        return Ms(kTimeSteps.front()).count();
    const auto fits = [&](qint64 step) {
        return double(step) / double(spanMs) * width >= labelWidth;
    };
    for (Ms step : kTimeSteps) {
        if (fits(step.count()))
            return step.count();
    }
    // Longer than the list: whole days at 2, 5, 10, 20, ... and never so many that labels touch.
    const double days = labelWidth / width * double(spanMs) / double(kDay);
    return qint64(roundUp125(std::max(days, 1.0))) * kDay;
}

std::vector<qint64> timeTicks(qint64 from, qint64 to, qint64 step, const QTimeZone& zone)
{
    std::vector<qint64> ticks;
    if (to < from || step <= 0)
        return ticks;
    const QDate last = QDateTime::fromMSecsSinceEpoch(to, zone).date();
    QDate day = QDateTime::fromMSecsSinceEpoch(from, zone).date();
    if (step > kDay) {
        const qint64 days = step / kDay;
        // Every n-th day counted from a fixed day, so ticks do not move when the span does.
        day = day.addDays((days - day.toJulianDay() % days) % days);
        for (; day <= last; day = day.addDays(days)) {
            const qint64 t = localMidnight(day, zone).toMSecsSinceEpoch();
            if (t >= from && t <= to)
                ticks.push_back(t);
        }
        return ticks;
    }
    for (; day <= last; day = day.addDays(1)) {
        const qint64 midnight = localMidnight(day, zone).toMSecsSinceEpoch();
        if (step >= Ms(1h).count()) {
            // On the clock's hours, also on a day of 23 or 25 hours.
            for (int hour = 0; hour < 24; hour += int(step / Ms(1h).count())) {
                const QDateTime at(day, QTime(hour, 0), zone);
                const qint64 t = at.toMSecsSinceEpoch();
                if (at.isValid() && t >= from && t <= to && (ticks.empty() || t > ticks.back()))
                    ticks.push_back(t);
            }
            continue;
        }
        // A step within the hour stays on the clock after a shift of whole hours.
        const qint64 next = localMidnight(day.addDays(1), zone).toMSecsSinceEpoch();
        qint64 t = midnight;
        if (from > midnight)
            t += (from - midnight + step - 1) / step * step;
        for (; t < next && t <= to; t += step)
            ticks.push_back(t);
    }
    return ticks;
}

QString timeLabel(qint64 ms, qint64 step, const QTimeZone& zone)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms, zone);
    if (at.time() == QTime(0, 0))
        return at.toString(QStringLiteral("dd.MM."));
    return at.toString(step < Ms(1min).count() ? QStringLiteral("HH:mm:ss")
                                               : QStringLiteral("HH:mm"));
}

bool crossesMidnight(qint64 from, qint64 to, const QTimeZone& zone)
{
    return to > from && QDateTime::fromMSecsSinceEpoch(from, zone).date() !=
                            QDateTime::fromMSecsSinceEpoch(to, zone).date();
}

} // namespace korvane::trend
