// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/overview.h"

#include "measure/readingtext.h"

#include <QLocale>

#include <algorithm>

namespace korvane::measure {

namespace {
// Decimals by group, so that a row's numbers keep their width from one reading to the next.
constexpr std::array<int, int(Group::Sequence) + 1> kDecimals{
    1, // Voltage
    2, // Current
    3, // PowerFactor
    2, // Active
    2, // Reactive
    2, // Apparent
    2, // Frequency
    1, // Angle
    0, // Sequence: a word, not a number
};
static_assert(kDecimals.size() == std::size_t(Group::Sequence) + 1, "one count per group");

using Keys = std::array<std::optional<Key>, 4>;
struct GridRow
{
    QStringView name;
    Keys keys;
};
constexpr std::array<GridRow, 6> kGrid{{
    {u"U", {Key::U1, Key::U2, Key::U3, std::nullopt}},
    {u"I", {Key::I1, Key::I2, Key::I3, std::nullopt}},
    {u"PF", {Key::PF1, Key::PF2, Key::PF3, Key::PF}},
    {u"P", {Key::P1, Key::P2, Key::P3, Key::P}},
    {u"Q", {Key::Q1, Key::Q2, Key::Q3, Key::Q}},
    {u"S", {Key::S1, Key::S2, Key::S3, Key::S}},
}};

struct SingleRow
{
    QStringView name;
    Key key;
};
constexpr std::array<SingleRow, 7> kDetails{{
    {u"I", Key::I},
    {u"F", Key::F},
    {u"Phase", Key::Sequence},
    {u"\u2220U1", Key::AngleU1},
    {u"\u2220U2", Key::AngleU2},
    {u"\u2220U3", Key::AngleU3},
    {u"\u2220I", Key::AngleI},
}};
constexpr std::array<SingleRow, 5> kType3{{
    {u"U", Key::T3U},
    {u"I", Key::T3I},
    {u"PF", Key::T3PF},
    {u"P", Key::T3P},
    {u"W", Key::T3W},
}};

QString fixed(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        text.replace(u'.', point);
    return text;
}

bool isStale(qint64 receivedMs, qint64 nowMs, bool linkLost)
{
    return linkLost || nowMs - receivedMs > kStaleAfter.count();
}

OverviewRow makeRow(QString name, const std::vector<std::optional<Key>>& keys,
                    const Snapshot& snapshot, const OverviewTracker& tracker, qint64 nowMs,
                    bool linkLost)
{
    OverviewRow row;
    row.name = std::move(name);
    // Every row has at least one key, and all keys of a row share their unit.
    const KeyInfo& info = keyInfo(*keys.front());
    row.decimals = kDecimals[std::size_t(info.group)];
    bool kilo = false;
    for (const auto& key : keys) {
        if (key && snapshot.latest(*key).seen && snapshot.latest(*key).quantity.kilo)
            kilo = true;
    }
    kilo = kilo && !info.kiloUnit.isEmpty();
    row.unit = (kilo ? info.kiloUnit : info.unit).toString();
    const double scale = kilo ? 1000.0 : 1.0;

    for (const auto& key : keys) {
        OverviewCell cell;
        cell.key = key;
        if (key) {
            const Snapshot::Entry& entry = snapshot.latest(*key);
            if (entry.seen) {
                cell.state = entry.quantity.state;
                cell.receivedMs = entry.receivedMs;
                cell.stale = isStale(entry.receivedMs, nowMs, linkLost);
                if (entry.quantity.state == State::Overload) {
                    cell.text = QStringLiteral("OL");
                } else if (info.group == Group::Sequence) {
                    cell.value = entry.quantity.value;
                    cell.text = quantityText(entry.quantity).value_or(QString());
                } else {
                    cell.value = entry.quantity.value / scale;
                    cell.text = fixed(cell.value, row.decimals);
                }
            }
            const OverviewTracker::Range& range = tracker.range(*key);
            if (range.seen && info.group != Group::Sequence) {
                cell.min = range.min / scale;
                cell.max = range.max / scale;
                cell.minText = fixed(*cell.min, row.decimals);
                cell.maxText = fixed(*cell.max, row.decimals);
            }
        }
        row.cells.push_back(std::move(cell));
    }
    return row;
}
} // namespace

void OverviewTracker::add(const Reading& reading)
{
    for (const Quantity& quantity : reading.values()) {
        if (!quantity.hasValue())
            continue;
        Range& range = m_ranges[std::size_t(quantity.key)];
        if (!range.seen) {
            range = {quantity.value, quantity.value, true};
        } else {
            range.min = std::min(range.min, quantity.value);
            range.max = std::max(range.max, quantity.value);
        }
    }
    if (reading.kind == 3)
        m_type3 = reading;
}

OverviewTable overviewTable(const Snapshot& snapshot, const OverviewTracker& tracker, qint64 nowMs,
                            bool linkLost)
{
    OverviewTable table;
    for (std::size_t i = 0; i < kGrid.size(); ++i) {
        const Keys& keys = kGrid[i].keys;
        table.grid[i] = makeRow(kGrid[i].name.toString(), {keys.begin(), keys.end()}, snapshot,
                                tracker, nowMs, linkLost);
    }
    for (const SingleRow& single : kDetails) {
        table.details.push_back(
            makeRow(single.name.toString(), {single.key}, snapshot, tracker, nowMs, linkLost));
    }
    const auto& type3 = tracker.latestType3();
    const QString number = type3 ? QString::number(int(type3->index) + 1) : QString();
    for (const SingleRow& single : kType3) {
        table.type3.push_back(makeRow(single.name.toString() + number, {single.key}, snapshot,
                                      tracker, nowMs, linkLost));
    }
    if (type3) {
        table.type3Number = int(type3->index) + 1;
        if (type3->clock)
            table.meterClock = clockText(*type3->clock);
        table.type3ReceivedMs = type3->receivedMs;
        table.type3Stale = isStale(type3->receivedMs, nowMs, linkLost);
    }
    return table;
}

} // namespace korvane::measure
