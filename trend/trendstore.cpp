// SPDX-License-Identifier: GPL-3.0-or-later
#include "trend/trendstore.h"

#include <chrono>

namespace korvane::trend {

namespace {
// The meter's frame kinds come round every few seconds; a quantity silent for longer than this
// stopped coming (the meter shows something else), and its line must not bridge the silence.
constexpr std::chrono::milliseconds kLongestSilence{10'000};
} // namespace

void TrendStore::add(const measure::Reading& reading)
{
    for (const measure::Quantity& q : reading.values()) {
        Series& series = m_series[std::size_t(q.key)];
        switch (q.state) {
        case measure::State::Value:
            if (series.size() > 0 &&
                reading.receivedMs - series.lastTime() > kLongestSilence.count())
                series.breakLine();
            series.append(reading.receivedMs, float(q.value));
            break;
        case measure::State::Overload:
            series.breakLine();
            break;
        case measure::State::Undefined:
            break;
        }
    }
}

void TrendStore::breakAll()
{
    for (Series& series : m_series)
        series.breakLine();
    for (Derived& d : m_derived)
        d.series.breakLine();
}

Series& TrendStore::derived(const QString& name, const QString& unit)
{
    for (Derived& d : m_derived)
        if (d.name == name)
            return d.series;
    return m_derived.emplace_back(Derived{name, unit, Series()}).series;
}

const Series* TrendStore::findDerived(const QString& name) const
{
    for (const Derived& d : m_derived)
        if (d.name == name)
            return &d.series;
    return nullptr;
}

std::size_t TrendStore::memoryBytes() const
{
    std::size_t bytes = 0;
    for (const Series& series : m_series)
        bytes += series.memoryBytes();
    for (const Derived& d : m_derived)
        bytes += d.series.memoryBytes();
    return bytes;
}

} // namespace korvane::trend
