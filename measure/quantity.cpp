// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/quantity.h"

#include <array>

namespace korvane::measure {

namespace {
constexpr std::array<KeyInfo, kKeyCount> kKeys{{
    {u"U1", u"V", u"", Group::Voltage},        {u"U2", u"V", u"", Group::Voltage},
    {u"U3", u"V", u"", Group::Voltage},        {u"I1", u"A", u"", Group::Current},
    {u"I2", u"A", u"", Group::Current},        {u"I3", u"A", u"", Group::Current},
    {u"PF1", u"", u"", Group::PowerFactor},    {u"PF2", u"", u"", Group::PowerFactor},
    {u"PF3", u"", u"", Group::PowerFactor},    {u"P1", u"W", u"kW", Group::Active},
    {u"P2", u"W", u"kW", Group::Active},       {u"P3", u"W", u"kW", Group::Active},
    {u"Q1", u"var", u"kvar", Group::Reactive}, {u"Q2", u"var", u"kvar", Group::Reactive},
    {u"Q3", u"var", u"kvar", Group::Reactive}, {u"S1", u"VA", u"kVA", Group::Apparent},
    {u"S2", u"VA", u"kVA", Group::Apparent},   {u"S3", u"VA", u"kVA", Group::Apparent},
    {u"PF", u"", u"", Group::PowerFactor},     {u"P", u"W", u"kW", Group::Active},
    {u"Q", u"var", u"kvar", Group::Reactive},  {u"S", u"VA", u"kVA", Group::Apparent},
    {u"I", u"A", u"", Group::Current},         {u"F", u"Hz", u"", Group::Frequency},
    {u"angU1", u"\u00B0", u"", Group::Angle},  {u"angU2", u"\u00B0", u"", Group::Angle},
    {u"angU3", u"\u00B0", u"", Group::Angle},  {u"angI", u"\u00B0", u"", Group::Angle},
    {u"seq", u"", u"", Group::Sequence},       {u"T3U", u"V", u"", Group::Voltage},
    {u"T3I", u"A", u"", Group::Current},       {u"T3PF", u"", u"", Group::PowerFactor},
    {u"T3P", u"W", u"kW", Group::Active},      {u"T3W", u"W", u"kW", Group::Active},
}};
static_assert(kKeys.size() == std::size_t(kKeyCount), "one entry per key");
} // namespace

const KeyInfo& keyInfo(Key key)
{
    return kKeys[std::size_t(key)];
}

std::optional<Key> keyNamed(QStringView name)
{
    for (int i = 0; i < kKeyCount; ++i) {
        if (kKeys[std::size_t(i)].name == name)
            return Key(i);
    }
    return std::nullopt;
}

} // namespace korvane::measure
