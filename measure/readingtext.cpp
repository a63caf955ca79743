// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/readingtext.h"

#include "measure/numtext.h"

#include <cmath>

namespace korvane::measure {

namespace {
struct Heading
{
    QStringView text;
    bool numbered = false; // the frame's index + 1 follows the letters
    bool tight = false;    // the live caption takes ":" without the blank
};
using Layout = std::array<Heading, kLiveRows>;

constexpr Layout kPhase{
    {{u"U", true}, {u"I", true}, {u"PF", true}, {u"P", true}, {u"Q", true}, {u"S", true}}};
constexpr Layout kTotals{{{u"PF", false, true}, {u"P"}, {u"Q"}, {u"S"}, {}, {}}};
constexpr Layout kVoltages{{{u"U1"}, {u"U2"}, {u"U3"}, {u"I"}, {u"F"}, {}}};
constexpr Layout kAngles{
    {{u"U1\u00B0"}, {u"U2\u00B0"}, {u"U3\u00B0"}, {u"I\u00B0"}, {u"phase", false, true}, {}}};
constexpr Layout kType3{
    {{u"U", true}, {u"I", true}, {u"PF", true}, {u"P", true}, {u"W", true}, {u"Time"}}};

const Layout& layoutOf(const Reading& reading)
{
    switch (reading.kind) {
    case 0:
        return reading.isTotals() ? kTotals : kPhase;
    case 1:
        return kVoltages;
    case 2:
        return kAngles;
    default:
        return kType3;
    }
}

QString headingText(const Heading& heading, quint8 index)
{
    QString text = heading.text.toString();
    if (heading.numbered)
        text.append(QString::number(int(index) + 1));
    return text;
}

constexpr std::array<QStringView, kSequenceCodes> kSequenceTexts{u"error", u"normal", u"reverse"};
static_assert(kSequenceTexts.size() == kSequenceCodes, "one text per sequence code");

QString sequenceText(double code)
{
    return kSequenceTexts[std::size_t(code)].toString();
}
} // namespace

std::optional<QString> quantityText(const Quantity& quantity)
{
    const KeyInfo& info = keyInfo(quantity.key);
    switch (quantity.state) {
    case State::Undefined:
        return std::nullopt;
    case State::Overload:
        return QStringLiteral("OL").append(info.kiloUnit);
    case State::Value:
        break;
    }
    switch (info.group) {
    case Group::PowerFactor:
        // A negative zero still shows its sign, as the meter's sign byte asks.
        return std::signbit(quantity.value) ? u'-' + numtext(-quantity.value)
                                            : numtext(quantity.value);
    case Group::Sequence:
        return sequenceText(quantity.value);
    default:
        if (quantity.kilo)
            return numtext(quantity.value / 1000).append(info.kiloUnit);
        return numtext(quantity.value).append(info.unit);
    }
}

QString clockText(const MeterClock& clock)
{
    return QString::number(clock.hours) + u':' + QString::number(clock.minutes) + u':' +
           QString::number(clock.seconds);
}

std::array<QString, kLiveRows> headings(const Reading& reading)
{
    const Layout& layout = layoutOf(reading);
    std::array<QString, kLiveRows> out;
    for (int i = 0; i < kLiveRows; ++i)
        out[std::size_t(i)] = headingText(layout[std::size_t(i)], reading.index);
    return out;
}

std::array<QString, kLiveRows> captions(const Reading& reading)
{
    const Layout& layout = layoutOf(reading);
    std::array<QString, kLiveRows> out;
    for (int i = 0; i < kLiveRows; ++i) {
        const Heading& heading = layout[std::size_t(i)];
        if (!heading.text.isEmpty())
            out[std::size_t(i)] =
                headingText(heading, reading.index).append(heading.tight ? u":" : u": ");
    }
    return out;
}

std::array<std::optional<QString>, kLiveRows> valueTexts(const Reading& reading)
{
    std::array<std::optional<QString>, kLiveRows> out;
    for (int i = 0; i < kLiveRows; ++i) {
        if (i < reading.count)
            out[std::size_t(i)] = quantityText(reading.quantities[std::size_t(i)]);
        else
            out[std::size_t(i)] = QString();
    }
    if (reading.clock)
        out[kLiveRows - 1] = clockText(*reading.clock);
    return out;
}

} // namespace korvane::measure
