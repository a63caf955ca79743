// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report.h"

#include "datalog/fields.h"
#include "measure/quantity.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <queue>

namespace korvane::report {

using measure::Key;
using trend::Series;

namespace {
using namespace std::chrono_literals;
constexpr std::chrono::milliseconds kVoltageWindow = 10min;
constexpr std::chrono::milliseconds kFrequencyWindow = 10s;
// U1, U2 and U3 come in one frame every few seconds, and each again in its phase's frame: three
// values this close together describe the same moment of the supply.
constexpr std::chrono::milliseconds kUnbalanceSpan = 5s;
constexpr double kVoltageBand = 0.10;
constexpr double kFrequencyBand = 0.01;
constexpr std::array kPhaseVoltages{Key::U1, Key::U2, Key::U3};
static_assert(kPhaseVoltages.size() == std::tuple_size_v<decltype(SupplyQuality::voltages)>);

struct Span
{
    qsizetype first = 0;
    qsizetype last = 0; // excluded
    qsizetype size() const { return last - first; }
};

Span spanOf(const Series& series, qint64 from, qint64 to)
{
    return {series.lowerBound(from), series.lowerBound(to)};
}

bool isAngle(Key key)
{
    return measure::keyInfo(key).group == measure::Group::Angle;
}

// Linear between the two nearest ranks (rank (n - 1) × q, counted from 0). Reorders `values`.
struct Percentiles
{
    double p5 = 0;
    double p95 = 0;
};

double rankValue(std::vector<float>& v, double rank, std::size_t low, std::size_t high)
{
    // v is partitioned around the ranks already found; only [low, high) needs ordering here.
    const auto k = std::size_t(rank);
    std::nth_element(v.begin() + qsizetype(low), v.begin() + qsizetype(k),
                     v.begin() + qsizetype(high));
    const double below = v[k];
    if (k + 1 >= v.size())
        return below;
    const double above = *std::min_element(v.begin() + qsizetype(k) + 1, v.end());
    return below + (above - below) * (rank - double(k));
}

Percentiles percentiles(std::vector<float>& v)
{
    if (v.empty())
        return {};
    const double last = double(v.size() - 1);
    Percentiles out;
    const double rank95 = last * 0.95;
    out.p95 = rankValue(v, rank95, 0, v.size());
    // Everything below rank 95's position is now in front of it.
    out.p5 = rankValue(v, last * 0.05, 0, std::size_t(rank95) + 1);
    return out;
}

double circularMeanDegrees(double sin, double cos, double fallback)
{
    if (std::hypot(sin, cos) < 1e-9)
        return fallback;
    const double degrees = std::atan2(sin, cos) * 180 / std::numbers::pi;
    return degrees < 0 ? degrees + 360 : degrees;
}

QuantityStats statsOf(const Series& series, Span span, bool angle)
{
    QuantityStats out;
    out.count = span.size();
    if (out.count == 0)
        return out;
    std::vector<float> values;
    values.reserve(std::size_t(span.size()));
    double sum = 0, sin = 0, cos = 0;
    float low = series.valueAt(span.first), high = low;
    for (qsizetype i = span.first; i < span.last; ++i) {
        const float v = series.valueAt(i);
        values.push_back(v);
        sum += v;
        low = std::min(low, v);
        high = std::max(high, v);
        if (angle) {
            const double radians = double(v) * std::numbers::pi / 180;
            sin += std::sin(radians);
            cos += std::cos(radians);
        }
    }
    out.min = low;
    out.max = high;
    out.mean = sum / double(out.count);
    if (angle)
        out.mean = circularMeanDegrees(sin, cos, out.mean);
    const Percentiles p = percentiles(values);
    out.p5 = p.p5;
    out.p95 = p.p95;
    return out;
}

// Frames are told apart by their times: every quantity of a frame carries the frame's time.
qint64 distinctTimes(const trend::TrendStore& store, qint64 from, qint64 to)
{
    struct Head
    {
        qint64 ms;
        int key;
        qsizetype at;
        qsizetype end;
        bool operator>(const Head& other) const { return ms > other.ms; }
    };
    std::priority_queue<Head, std::vector<Head>, std::greater<>> heads;
    for (int k = 0; k < measure::kKeyCount; ++k) {
        const Series& s = store.series(Key(k));
        const Span span = spanOf(s, from, to);
        if (span.size() > 0)
            heads.push({s.timeAt(span.first), k, span.first, span.last});
    }
    qint64 count = 0;
    std::optional<qint64> last;
    while (!heads.empty()) {
        Head head = heads.top();
        heads.pop();
        if (!last || head.ms != *last) {
            ++count;
            last = head.ms;
        }
        if (++head.at < head.end) {
            head.ms = store.series(Key(head.key)).timeAt(head.at);
            heads.push(head);
        }
    }
    return count;
}

// Consecutive windows of the clock, each from a multiple of `length` in local time.
class Windows
{
public:
    Windows(qint64 lengthMs, qint64 offsetMs) : m_length(lengthMs), m_offset(offsetMs) {}
    qint64 indexOf(qint64 ms) const
    {
        const qint64 local = ms + m_offset;
        return local >= 0 ? local / m_length : (local - m_length + 1) / m_length;
    }

private:
    qint64 m_length;
    qint64 m_offset;
};

// Each window's mean of the samples in it (rms or arithmetic), for those that held any.
std::vector<double> windowMeans(const Series& series, Span span, const Windows& windows, bool rms)
{
    std::vector<double> means;
    qint64 current = 0;
    double sum = 0;
    qsizetype n = 0;
    const auto close = [&] {
        if (n > 0)
            means.push_back(rms ? std::sqrt(sum / double(n)) : sum / double(n));
        sum = 0;
        n = 0;
    };
    for (qsizetype i = span.first; i < span.last; ++i) {
        const qint64 w = windows.indexOf(series.timeAt(i));
        if (n > 0 && w != current)
            close();
        current = w;
        const double v = series.valueAt(i);
        sum += rms ? v * v : v;
        ++n;
    }
    close();
    return means;
}

void unbalance(const trend::TrendStore& store, qint64 from, qint64 to, SupplyQuality& out)
{
    std::array<const Series*, 3> series{};
    std::array<Span, 3> spans;
    for (std::size_t p = 0; p < 3; ++p) {
        series[p] = &store.series(kPhaseVoltages[p]);
        spans[p] = spanOf(*series[p], from, to);
    }
    std::array<std::optional<std::pair<qint64, double>>, 3> latest;
    std::vector<float> values;
    double highest = 0;
    for (;;) {
        std::optional<qint64> next;
        for (std::size_t p = 0; p < 3; ++p) {
            if (spans[p].first < spans[p].last) {
                const qint64 t = series[p]->timeAt(spans[p].first);
                next = next ? std::min(*next, t) : t;
            }
        }
        if (!next)
            break;
        for (std::size_t p = 0; p < 3; ++p) {
            while (spans[p].first < spans[p].last && series[p]->timeAt(spans[p].first) == *next)
                latest[p] = std::pair(*next, double(series[p]->valueAt(spans[p].first++)));
        }
        if (!std::all_of(latest.begin(), latest.end(), [&](const auto& l) {
                return l && *next - l->first <= kUnbalanceSpan.count();
            }))
            continue;
        const double mean = (latest[0]->second + latest[1]->second + latest[2]->second) / 3;
        if (mean <= 0)
            continue;
        double deviation = 0;
        for (const auto& l : latest)
            deviation = std::max(deviation, std::abs(l->second - mean));
        const double percent = deviation / mean * 100;
        values.push_back(float(percent));
        highest = std::max(highest, percent);
    }
    out.unbalanceSamples = qint64(values.size());
    out.unbalanceMax = highest;
    out.unbalanceP95 = percentiles(values).p95;
}

SupplyQuality supplyQuality(const trend::TrendStore& store, const Report& report)
{
    SupplyQuality out;
    const qint64 offset = QDateTime::fromMSecsSinceEpoch(report.fromMs).offsetFromUtc() * 1000LL;
    const Windows tenMinutes(kVoltageWindow.count(), offset);
    for (std::size_t p = 0; p < kPhaseVoltages.size(); ++p) {
        PhaseVoltageQuality& q = out.voltages[p];
        q.name = measure::keyInfo(kPhaseVoltages[p]).name.toString();
        const Series& s = store.series(kPhaseVoltages[p]);
        const std::vector<double> means =
            windowMeans(s, spanOf(s, report.fromMs, report.toMs), tenMinutes, true);
        q.windows = int(means.size());
        for (double m : means)
            q.within += std::abs(m - report.nominalVoltage) <= kVoltageBand * report.nominalVoltage;
        if (!means.empty()) {
            const auto [low, high] = std::minmax_element(means.begin(), means.end());
            q.lowestMean = *low;
            q.highestMean = *high;
        }
    }
    const Series& f = store.series(Key::F);
    const std::vector<double> means = windowMeans(f, spanOf(f, report.fromMs, report.toMs),
                                                  Windows(kFrequencyWindow.count(), offset), false);
    out.frequencyWindows = int(means.size());
    for (double m : means)
        out.frequencyWithin +=
            std::abs(m - report.nominalFrequency) <= kFrequencyBand * report.nominalFrequency;
    if (!means.empty()) {
        const auto [low, high] = std::minmax_element(means.begin(), means.end());
        out.lowestFrequency = *low;
        out.highestFrequency = *high;
    }
    unbalance(store, report.fromMs, report.toMs, out);
    return out;
}

CounterTotal counterTotal(const trend::TrendStore::Derived& derived, qint64 from, qint64 to)
{
    CounterTotal out{derived.name, derived.unit, 0, {}};
    const Span span = spanOf(derived.series, from, to);
    if (span.size() == 0)
        return out;
    double before = derived.series.valueAt(span.first);
    for (qsizetype i = span.first + 1; i < span.last; ++i) {
        const double v = derived.series.valueAt(i);
        if (v >= before) {
            out.added += v - before;
        } else {
            out.resets.push_back(derived.series.timeAt(i));
            out.added += std::max(v, 0.0);
        }
        before = v;
    }
    return out;
}
} // namespace

Report computeReport(const survey::Survey& survey, const ReportOptions& options)
{
    const survey::SurveySummary summary = survey.summary();
    const trend::TrendStore& store = survey.store();
    Report r;
    r.title = options.title.isEmpty() ? QStringLiteral("Survey report") : options.title;
    r.nominalVoltage = options.nominalVoltage;
    r.nominalFrequency = options.nominalFrequency;
    r.fromMs = options.fromMs.value_or(summary.firstMs);
    r.toMs = options.toMs.value_or(summary.frames > 0 ? summary.lastMs + 1 : summary.lastMs);
    r.meter = summary.meter;
    r.files = summary.files;
    const bool whole = r.fromMs <= summary.firstMs && r.toMs > summary.lastMs;
    r.frames = whole ? summary.frames : distinctTimes(store, r.fromMs, r.toMs);
    for (const survey::SurveyEvent& e : survey.events()) {
        const bool in = e.ms >= r.fromMs && e.ms < r.toMs;
        if (e.kind == survey::SurveyEvent::Kind::Gap &&
            (in || (e.ms < r.fromMs && e.endMs > r.fromMs))) {
            ++r.gaps;
            r.gapMs += std::min(e.endMs, r.toMs) - std::max(e.ms, r.fromMs);
        } else if (e.kind == survey::SurveyEvent::Kind::Alarm && in) {
            r.alarms.push_back(e);
        }
    }
    for (int k = 0; k < measure::kKeyCount; ++k) {
        const Key key = Key(k);
        const Series& s = store.series(key);
        QuantityStats stats = statsOf(s, spanOf(s, r.fromMs, r.toMs), isAngle(key));
        if (stats.count == 0)
            continue;
        stats.name = measure::keyInfo(key).name.toString();
        stats.unit = measure::keyInfo(key).unit.toString();
        r.statistics.push_back(std::move(stats));
    }
    for (const trend::TrendStore::Derived& d : store.derivedSeries()) {
        QuantityStats stats = statsOf(d.series, spanOf(d.series, r.fromMs, r.toMs), false);
        if (stats.count == 0)
            continue;
        stats.name = d.name;
        stats.unit = d.unit;
        r.statistics.push_back(std::move(stats));
        r.counters.push_back(counterTotal(d, r.fromMs, r.toMs));
    }
    r.quality = supplyQuality(store, r);
    return r;
}

QByteArray statisticsCsv(const Report& report)
{
    QByteArray out = "quantity,unit,count,min,mean,max,p5,p95\r\n";
    for (const QuantityStats& s : report.statistics) {
        datalog::appendCsvField(out, s.name.toUtf8(), ',');
        out += ',';
        datalog::appendCsvField(out, s.unit.toUtf8(), ',');
        out += ',';
        out += QByteArray::number(s.count);
        // Samples are kept as floats: more digits than a float's would be noise.
        for (double v : {s.min, s.mean, s.max, s.p5, s.p95}) {
            out += ',';
            datalog::appendNumber(out, float(v));
        }
        out += "\r\n";
    }
    return out;
}

std::optional<qint64> parseTime(const QString& text)
{
    static const QRegularExpression shape(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:[T ](\\d{2}:\\d{2}(?::\\d{2}(?:[.,]\\d{1,3})?)?)"
                       "(Z|[+-]\\d{2}:?\\d{2})?)?$"));
    const QRegularExpressionMatch m = shape.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(m.captured(1), Qt::ISODate);
    const QString clock = m.captured(2);
    QTime time(0, 0);
    if (!clock.isEmpty()) {
        const int seconds = clock.size() > 5 ? clock.mid(6, 2).toInt() : 0;
        // ".5" is half a second: the digits are a fraction, not a count of milliseconds.
        const int ms = clock.size() > 9 ? clock.mid(9).leftJustified(3, u'0').toInt() : 0;
        time = QTime(clock.left(2).toInt(), clock.mid(3, 2).toInt(), seconds, ms);
    }
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QString zone = m.captured(3);
    if (zone.isEmpty()) {
        const QDateTime local(date, time);
        // A local time skipped when the clocks went forward names no moment.
        if (!local.isValid() || local.time() != time)
            return std::nullopt;
        return local.toMSecsSinceEpoch();
    }
    int offset = 0;
    if (zone != QLatin1String("Z")) {
        const QString digits = QString(zone).remove(u':');
        const int hours = digits.mid(1, 2).toInt();
        const int minutes = digits.mid(3, 2).toInt();
        if (hours > 14 || minutes > 59)
            return std::nullopt;
        offset = (hours * 3600 + minutes * 60) * (zone.startsWith(u'-') ? -1 : 1);
    }
    return QDateTime(date, time, QTimeZone(offset)).toMSecsSinceEpoch();
}

QString methodText(const Report& report)
{
    const QString volts = QString::number(report.nominalVoltage, 'g', 6);
    const QString hertz = QString::number(report.nominalFrequency, 'g', 6);
    return QStringLiteral(
               "The meter sends a reading every few seconds, not a continuous measurement, so "
               "the supply quality below follows the manner of EN 50160 over the samples taken, "
               "not the measuring method of IEC 61000-4-30. Voltage: the r.m.s. of each phase's "
               "samples in every 10-minute window of the clock (a window without samples is left "
               "out), and the share of those within ±10 % of the nominal %1 V. Frequency: the "
               "mean of the samples in every 10-second window, and the share within ±1 % of %2 "
               "Hz. Unbalance: at each frame time where U1, U2 and U3 are all known within %3 s, "
               "the largest deviation from their mean over the mean (from the magnitudes alone), "
               "with its 95th percentile and maximum. Statistics: means are arithmetic (angles "
               "circular); the 5th and 95th percentiles interpolate between the nearest ranks. "
               "Energy and cost: the sum of each counter's increases in the period; a decrease is "
               "a Reset, after which the counter is counted from zero.")
        .arg(volts, hertz)
        .arg(std::chrono::duration_cast<std::chrono::seconds>(kUnbalanceSpan).count());
}

} // namespace korvane::report
