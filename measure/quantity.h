// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <QtGlobal>

#include <cmath>
#include <limits>
#include <optional>

namespace korvane::measure {

// Every quantity the meter reports, by meaning. A quantity that two frame kinds both carry (the
// phase voltages of types 0 and 1) has one key. Type 3's index is not a phase, so its quantities
// have keys of their own. measure/README.md lists them with their units and bytes.
enum class Key : quint8 {
    U1,
    U2,
    U3,
    I1,
    I2,
    I3,
    PF1,
    PF2,
    PF3,
    P1,
    P2,
    P3,
    Q1,
    Q2,
    Q3,
    S1,
    S2,
    S3,
    PF,
    P,
    Q,
    S,
    I,
    F,
    AngleU1,
    AngleU2,
    AngleU3,
    AngleI,
    Sequence,
    T3U,
    T3I,
    T3PF,
    T3P,
    T3W,
};
constexpr int kKeyCount = int(Key::T3W) + 1;

// What a trend groups its choices by; one value axis per unit.
enum class Group : quint8 {
    Voltage,
    Current,
    PowerFactor,
    Active,
    Reactive,
    Apparent,
    Frequency,
    Angle,
    Sequence,
};

struct KeyInfo
{
    QStringView name;     // short ASCII: log columns, published topics, trend choices
    QStringView unit;     // the unit of Quantity::value; empty for a plain number
    QStringView kiloUnit; // the display unit when the meter scales to kilo; empty if it never does
    Group group;
};

const KeyInfo& keyInfo(Key key);
std::optional<Key> keyNamed(QStringView name);

enum class State : quint8 {
    Value,     // value holds the number
    Overload,  // the meter shows "OL"
    Undefined, // a scale or sequence code the meter does not define: the display keeps its text
};

struct Quantity
{
    Key key = Key::U1;
    State state = State::Value;
    bool kilo = false; // the meter shows it in the kilo unit (value is still in the base unit)
    double value = std::numeric_limits<double>::quiet_NaN();

    bool hasValue() const { return state == State::Value; }
};

} // namespace korvane::measure
