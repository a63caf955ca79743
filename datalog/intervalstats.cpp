// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/intervalstats.h"

#include <cmath>
#include <numbers>

namespace korvane::datalog {

using measure::Group;
using measure::Key;

namespace {
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

struct PowerPair
{
    Key active;
    Key apparent;
};

// The P and S a power factor is the ratio of; type 3 carries no S.
std::optional<PowerPair> powersOf(Key factor)
{
    switch (factor) {
    case Key::PF1:
        return PowerPair{Key::P1, Key::S1};
    case Key::PF2:
        return PowerPair{Key::P2, Key::S2};
    case Key::PF3:
        return PowerPair{Key::P3, Key::S3};
    case Key::PF:
        return PowerPair{Key::P, Key::S};
    default:
        return std::nullopt;
    }
}

const measure::Quantity* find(const measure::Reading& reading, Key key)
{
    for (const measure::Quantity& q : reading.values()) {
        if (q.key == key && q.hasValue())
            return &q;
    }
    return nullptr;
}

std::optional<double> circularMean(double sin, double cos, int count)
{
    // Opposite angles in equal number have no mean direction.
    if (std::hypot(sin, cos) < 1e-9 * count)
        return std::nullopt;
    double degrees = std::atan2(sin, cos) / kRadiansPerDegree;
    // Rounded to a millionth of a degree, so 359 and 1 give 0 and not 359.99999999999997.
    degrees = std::round(degrees * 1e6) / 1e6;
    if (degrees < 0)
        degrees += 360;
    if (degrees >= 360)
        degrees -= 360;
    return degrees + 0.0; // no "-0"
}
} // namespace

IntervalStats::IntervalStats(qint64 lengthMs, qint64 startMs) : m_length(lengthMs)
{
    const qint64 start = intervalStart(startMs);
    begin(start, startMs > start);
}

qint64 IntervalStats::intervalStart(qint64 ms) const
{
    // The epoch is a UTC midnight and the length divides a day, so these are wall-clock
    // boundaries in UTC.
    qint64 start = ms - ms % m_length;
    if (ms % m_length < 0)
        start -= m_length;
    return start;
}

void IntervalStats::begin(qint64 start, bool partial)
{
    m_start = start;
    m_partial = partial;
    m_firstSampleMs = -1;
    m_sums = {};
}

std::optional<IntervalSummary> IntervalStats::close(qint64 ms)
{
    if (ms < currentEnd())
        return std::nullopt;
    IntervalSummary summary{m_start, currentEnd(), m_firstSampleMs, m_partial, {}};
    for (int k = 0; k < measure::kKeyCount; ++k) {
        const Sums& sums = m_sums[std::size_t(k)];
        if (sums.count > 0 || sums.overloads > 0)
            summary.quantities.push_back(stats(Key(k), sums));
    }
    begin(intervalStart(ms), false);
    if (summary.quantities.empty())
        return std::nullopt;
    return summary;
}

std::optional<IntervalSummary> IntervalStats::advanceTo(qint64 ms)
{
    return close(ms);
}

std::optional<IntervalSummary> IntervalStats::add(const measure::Reading& reading)
{
    std::optional<IntervalSummary> closed = close(reading.receivedMs);
    if (m_firstSampleMs < 0)
        m_firstSampleMs = reading.receivedMs;
    for (const measure::Quantity& q : reading.values()) {
        Sums& sums = m_sums[std::size_t(q.key)];
        if (q.state == measure::State::Overload) {
            ++sums.overloads;
            continue;
        }
        if (!q.hasValue())
            continue;
        const double v = q.value;
        sums.min = sums.count == 0 ? v : std::min(sums.min, v);
        sums.max = sums.count == 0 ? v : std::max(sums.max, v);
        ++sums.count;
        sums.sum += v;
        sums.squares += v * v;
        sums.negatives += v < 0;
        sums.sin += std::sin(v * kRadiansPerDegree);
        sums.cos += std::cos(v * kRadiansPerDegree);
        if (const std::optional<PowerPair> pair = powersOf(q.key)) {
            const measure::Quantity* p = find(reading, pair->active);
            const measure::Quantity* s = find(reading, pair->apparent);
            if (p && s) {
                ++sums.pairs;
                sums.activeSum += p->value;
                sums.apparentSum += s->value;
            }
        }
    }
    return closed;
}

std::optional<IntervalSummary> IntervalStats::markGap(qint64 ms)
{
    std::optional<IntervalSummary> closed = close(ms);
    m_partial = true;
    return closed;
}

std::optional<IntervalSummary> IntervalStats::finish(qint64 ms)
{
    if (ms < currentEnd())
        m_partial = true;
    return close(std::max(ms, currentEnd()));
}

QuantityStats IntervalStats::stats(Key key, const Sums& sums) const
{
    QuantityStats s{key, sums.count, sums.overloads, sums.min, sums.max, std::nullopt};
    if (sums.count == 0)
        return s;
    const double n = sums.count;
    switch (measure::keyInfo(key).group) {
    case Group::Voltage:
    case Group::Current:
        s.mean = std::sqrt(sums.squares / n);
        break;
    case Group::Angle:
        s.mean = circularMean(sums.sin, sums.cos, sums.count);
        break;
    case Group::PowerFactor:
        if (sums.pairs > 0 && sums.apparentSum > 0)
            s.mean = std::copysign(sums.activeSum / sums.apparentSum,
                                   2 * sums.negatives > sums.count ? -1.0 : 1.0);
        else
            s.mean = sums.sum / n;
        break;
    default:
        s.mean = sums.sum / n;
        break;
    }
    return s;
}

} // namespace korvane::datalog
