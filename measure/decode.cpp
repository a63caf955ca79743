// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/frame.h"
#include "measure/reading.h"

namespace korvane::measure {

namespace {
constexpr quint8 kOverloadCode = 6;
constexpr quint8 kFirstKiloCode = 3;

constexpr std::array<Key, 3> kVoltage{Key::U1, Key::U2, Key::U3};
constexpr std::array<Key, 3> kCurrent{Key::I1, Key::I2, Key::I3};
constexpr std::array<Key, 3> kPowerFactor{Key::PF1, Key::PF2, Key::PF3};
constexpr std::array<Key, 3> kActive{Key::P1, Key::P2, Key::P3};
constexpr std::array<Key, 3> kReactive{Key::Q1, Key::Q2, Key::Q3};
constexpr std::array<Key, 3> kApparent{Key::S1, Key::S2, Key::S3};

class Decoder
{
public:
    Decoder(QByteArrayView frame, Reading& out) : m_frame(frame), m_out(out) {}

    // Range 0..2: hundredths of a volt; 3..255: tenths.
    void voltage(Key key, qsizetype pos)
    {
        const quint32 q = value16(m_frame, pos);
        add(key, byteAt(m_frame, pos + 2) >= 3 ? q / 10.0 : q / 100.0);
    }
    // Range 0..2: tenths of an ampere; 3..255: whole amperes.
    void current(Key key, qsizetype pos)
    {
        const quint32 q = value16(m_frame, pos);
        add(key, byteAt(m_frame, pos + 2) >= 3 ? double(q) : q / 10.0);
    }
    // Thousandths; the sign byte that follows is read by the caller's rule.
    void powerFactor(Key key, bool negative)
    {
        const double magnitude = value16(m_frame, 8) / 1000.0;
        add(key, negative ? -magnitude : magnitude);
    }
    // Power scale codes: 0..2 the base unit, 3..5 kilo, in hundredths, tenths, whole units;
    // 6 overload (shown in kilo); 7..255 undefined.
    void power(Key key, qsizetype pos)
    {
        const quint8 code = byteAt(m_frame, pos + 2);
        if (code > kOverloadCode)
            return addState(key, State::Undefined, false);
        if (code == kOverloadCode)
            return addState(key, State::Overload, true);
        scaled(key, value16(m_frame, pos), code);
    }
    // Type 3's W: every code but 0, 1, 3, 4 is whole units, and no code is an overload.
    void wValue(Key key, qsizetype pos)
    {
        scaled(key, value16(m_frame, pos), byteAt(m_frame, pos + 2));
    }
    void tenths(Key key, qsizetype pos) { add(key, value16(m_frame, pos) / 10.0); }
    void sequence(Key key, qsizetype pos)
    {
        const quint8 code = byteAt(m_frame, pos);
        if (code >= kSequenceCodes)
            return addState(key, State::Undefined, false);
        add(key, double(code));
    }

private:
    // The kilo values are computed from whole numbers, so dividing one by 1000 again gives the
    // very double the meter's scale gives (1234 tenths of a kW: 123400 W, and 123400 / 1000 is
    // 123.4 exactly as 1234 / 10 is).
    void scaled(Key key, quint32 q, quint8 code)
    {
        const bool kilo = code >= kFirstKiloCode;
        double value = 0;
        switch (code) {
        case 0:
            value = q / 100.0;
            break;
        case 1:
            value = q / 10.0;
            break;
        case 3:
            value = double(q) * 10;
            break;
        case 4:
            value = double(q) * 100;
            break;
        default:
            value = kilo ? double(q) * 1000 : double(q);
            break;
        }
        Quantity& added = next(key);
        added.kilo = kilo;
        added.value = value;
    }
    void add(Key key, double value) { next(key).value = value; }
    void addState(Key key, State state, bool kilo)
    {
        Quantity& added = next(key);
        added.state = state;
        added.kilo = kilo;
    }
    Quantity& next(Key key)
    {
        Quantity& q = m_out.quantities[std::size_t(m_out.count++)];
        q.key = key;
        return q;
    }

    QByteArrayView m_frame;
    Reading& m_out;
};

// The power factor's sign byte: 1 positive, 2 negative. What other bytes mean differs: a live
// type-0 frame is negative only for 2, a type-3 frame and every stored record unless it is 1.
bool powerFactorNegative(quint8 kind, quint8 sign, Source source)
{
    if (kind == 0 && source == Source::Live)
        return sign == 2;
    return sign != 1;
}

void decodeType0(Decoder& d, const Reading& reading, bool negative)
{
    const quint8 sub = reading.index;
    if (reading.isTotals()) {
        d.powerFactor(Key::PF, negative);
        d.power(Key::P, 11);
        d.power(Key::Q, 14);
        d.power(Key::S, 17);
        return;
    }
    d.voltage(kVoltage[sub], 2);
    d.current(kCurrent[sub], 5);
    d.powerFactor(kPowerFactor[sub], negative);
    d.power(kActive[sub], 11);
    d.power(kReactive[sub], 14);
    d.power(kApparent[sub], 17);
}

void decodeType1(Decoder& d)
{
    d.voltage(Key::U1, 1);
    d.voltage(Key::U2, 4);
    d.voltage(Key::U3, 7);
    d.current(Key::I, 10);
    d.tenths(Key::F, 13);
}

void decodeType2(Decoder& d)
{
    d.tenths(Key::AngleU1, 10);
    d.tenths(Key::AngleU2, 12);
    d.tenths(Key::AngleU3, 14);
    d.tenths(Key::AngleI, 16);
    d.sequence(Key::Sequence, 18);
}

void decodeType3(Decoder& d, bool negative)
{
    d.voltage(Key::T3U, 2);
    d.current(Key::T3I, 5);
    d.powerFactor(Key::T3PF, negative);
    d.power(Key::T3P, 11);
    d.wValue(Key::T3W, 14);
}
} // namespace

std::optional<Reading> decodeFrame(QByteArrayView frame, Source source, qint64 receivedMs)
{
    if (frame.isEmpty())
        return std::nullopt;
    const quint8 kind = byteAt(frame, 0);
    if (kind > 3 || frame.size() < bytesNeeded(kind))
        return std::nullopt;

    Reading reading;
    reading.kind = kind;
    reading.receivedMs = receivedMs;
    if (reading.hasIndex())
        reading.index = byteAt(frame, 1);
    Decoder d(frame, reading);
    const bool negative =
        reading.hasIndex() && powerFactorNegative(kind, byteAt(frame, 10), source);
    switch (kind) {
    case 0:
        decodeType0(d, reading, negative);
        break;
    case 1:
        decodeType1(d);
        break;
    case 2:
        decodeType2(d);
        break;
    default:
        decodeType3(d, negative);
        reading.clock = MeterClock{byteAt(frame, 17), byteAt(frame, 18), byteAt(frame, 19)};
        break;
    }
    return reading;
}

} // namespace korvane::measure
