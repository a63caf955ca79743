// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/records.h"

#include <array>
#include <cmath>
#include <utility>

namespace korvane::sim {

namespace {

constexpr quint8 kTotalsSub = 3;
constexpr int kMaxValue16 = 32767;
constexpr double kDegPerRad = 180.0 / 3.14159265358979323846;
constexpr int kSecondsPerDay = 24 * 3600;

struct Phase
{
    double volts;
    double amps;
    double pf;
    bool leading; // a capacitive load: the meter marks the power factor negative
};

struct Scales
{
    bool voltsInHundredths; // range byte 1 instead of 3
    bool wholeAmps;         // range byte 3 instead of 1
};

struct Field
{
    int value;
    quint8 code;
};

class FrameWriter
{
public:
    explicit FrameWriter(quint8 type) : m_frame(kFrameSize, '\0') { m_frame[0] = char(type); }

    void byte(int pos, int value) { m_frame[pos] = char(quint8(value)); }
    void value16(int pos, int value)
    {
        Q_ASSERT(value >= 0 && value <= kMaxValue16);
        byte(pos, value & 0xFF);
        byte(pos + 1, value >> 8);
    }
    void field(int pos, Field f)
    {
        value16(pos, f.value);
        byte(pos + 2, f.code);
    }
    QByteArray take() { return std::move(m_frame); }

private:
    QByteArray m_frame;
};

int rounded(double x)
{
    return int(std::lround(x));
}

Field voltage(double volts, bool hundredths)
{
    return hundredths ? Field{rounded(volts * 100), 1} : Field{rounded(volts * 10), 3};
}

Field current(double amps, bool whole)
{
    return whole ? Field{rounded(amps), 3} : Field{rounded(amps * 10), 1};
}

// The finest power scale whose quantity still fits in a value16; code 6 is an overload.
Field power(double units)
{
    struct Scale
    {
        double factor;
        quint8 code;
    };
    constexpr std::array<Scale, 6> kScales{
        {{100, 0}, {10, 1}, {1, 2}, {0.1, 3}, {0.01, 4}, {0.001, 5}}};
    for (const Scale& s : kScales) {
        if (rounded(units * s.factor) <= kMaxValue16)
            return {rounded(units * s.factor), s.code};
    }
    return {0, 6};
}

Field powerFactor(double pf, bool leading)
{
    return {rounded(pf * 1000), quint8(leading ? 2 : 1)};
}

double activePower(const Phase& p)
{
    return p.volts * p.amps * p.pf;
}

double reactivePower(const Phase& p)
{
    return p.volts * p.amps * std::sqrt(1 - p.pf * p.pf);
}

double apparentPower(const Phase& p)
{
    return p.volts * p.amps;
}

void writeVoltsAmpsPf(FrameWriter& w, const Phase& p, Scales s)
{
    w.field(2, voltage(p.volts, s.voltsInHundredths));
    w.field(5, current(p.amps, s.wholeAmps));
    w.field(8, powerFactor(p.pf, p.leading));
}

QByteArray phaseFrame(int sub, const Phase& p, Scales s)
{
    FrameWriter w(0);
    w.byte(1, sub);
    writeVoltsAmpsPf(w, p, s);
    w.field(11, power(activePower(p)));
    w.field(14, power(reactivePower(p)));
    w.field(17, power(apparentPower(p)));
    return w.take();
}

// Positions 2 to 7 of a totals frame carry no reading and stay zero.
QByteArray totalsFrame(const std::array<Phase, 3>& phases)
{
    double pSum = 0;
    double qSum = 0;
    double sSum = 0;
    for (const Phase& p : phases) {
        pSum += activePower(p);
        qSum += reactivePower(p);
        sSum += apparentPower(p);
    }
    FrameWriter w(0);
    w.byte(1, kTotalsSub);
    w.field(8, powerFactor(pSum / sSum, phases[0].leading));
    w.field(11, power(pSum));
    w.field(14, power(qSum));
    w.field(17, power(sSum));
    return w.take();
}

QByteArray voltagesFrame(const std::array<Phase, 3>& phases, double amps, double hertz)
{
    FrameWriter w(1);
    w.field(1, voltage(phases[0].volts, false));
    w.field(4, voltage(phases[1].volts, false));
    w.field(7, voltage(phases[2].volts, false));
    w.field(10, current(amps, false));
    w.value16(13, rounded(hertz * 10));
    return w.take();
}

enum class Sequence : quint8 { Error = 0, Normal = 1, Reverse = 2 };

// n mod m in 0..m-1, for any n, without overflow on the way.
int wrapped(qint64 n, int m)
{
    return int((n % m + m) % m);
}

// Angles in tenths of a degree, as lags behind U1; a reverse sequence swaps the second and third
// phase. The current lags by its phase angle, or leads by it on a capacitive load: 360 - phi.
QByteArray anglesFrame(const Phase& load, int drift, Sequence seq)
{
    const bool reverse = seq == Sequence::Reverse;
    const double phi = std::acos(load.pf) * kDegPerRad;
    FrameWriter w(2);
    w.value16(10, 0);
    w.value16(12, (reverse ? 2400 : 1200) + drift);
    w.value16(14, (reverse ? 1200 : 2400) - drift);
    w.value16(16, wrapped(rounded((load.leading ? 360 - phi : phi) * 10), 3600));
    w.byte(18, int(seq));
    return w.take();
}

QByteArray energyFrame(int sub, const Phase& p, Scales s, double wattHours, int secondOfDay)
{
    const int t = secondOfDay % kSecondsPerDay;
    Field energy = power(wattHours);
    Q_ASSERT(energy.code != 6);
    FrameWriter w(3);
    w.byte(1, sub);
    writeVoltsAmpsPf(w, p, s);
    w.field(11, power(activePower(p)));
    w.field(14, energy);
    w.byte(17, t / 3600);
    w.byte(18, t / 60 % 60);
    w.byte(19, t % 60);
    return w.take();
}

// A small deterministic wobble in -5..5.
int wobble(int n)
{
    return wrapped(qint64(n) * 37, 11) - 5;
}

std::array<Phase, 3> livePhases(int sequence)
{
    const int d = wobble(sequence);
    std::array<Phase, 3> phases{};
    for (int i = 0; i < 3; ++i)
        phases[i] = {230.0 + 0.1 * d + 0.4 * i, 5.0 + 0.1 * wrapped(d + i, 3), 0.9 + 0.002 * d,
                     false};
    return phases;
}

std::array<Phase, 3> storedPhases(int index)
{
    const int d = wobble(index);
    const int round = index / kLiveCycle;
    std::array<Phase, 3> phases{};
    for (int i = 0; i < 3; ++i)
        phases[i] = {228.0 + 0.3 * d + 0.5 * i, 1.5 + 0.7 * wrapped(qint64(index) + 4 * i, 13),
                     0.86 + 0.01 * wrapped(round + i, 12), wrapped(round, 5) == 4};
    return phases;
}

constexpr int kLiveStartSecond = 10 * 3600 + 15 * 60; // 10:15:00
constexpr int kStoredStartSecond = 9 * 3600;          // 09:00:00

} // namespace

QByteArray liveFrame(int sequence)
{
    const auto phases = livePhases(sequence);
    const int kind = wrapped(sequence, kLiveCycle);
    const int d = wobble(sequence);
    switch (kind) {
    case 0:
    case 1:
    case 2:
        return phaseFrame(kind, phases[kind], {false, false});
    case 3:
        return totalsFrame(phases);
    case 4:
        return voltagesFrame(phases, phases[0].amps, 50.0 + 0.1 * wrapped(d, 3) - 0.1);
    case 5:
        return anglesFrame(phases[0], d, Sequence::Normal);
    default: {
        const int sub = wrapped(sequence / kLiveCycle, 3);
        // The meter is polled twice a second, so a time of day that advances by the half second.
        return energyFrame(sub, phases[sub], {false, false}, 1234.5 + 0.1 * wrapped(sequence, 1000),
                           kLiveStartSecond + wrapped(sequence, 2 * kSecondsPerDay) / 2);
    }
    }
}

QByteArray storedRecord(int index)
{
    const auto phases = storedPhases(index);
    const int kind = wrapped(index, kLiveCycle);
    const int round = index / kLiveCycle;
    const Scales scales{wrapped(round, 2) == 1, wrapped(round, 3) == 2};
    switch (kind) {
    case 0:
    case 1:
    case 2:
        return phaseFrame(kind, phases[kind], scales);
    case 3:
        return totalsFrame(phases);
    case 4:
        return voltagesFrame(phases, phases[1].amps, 49.8 + 0.1 * wrapped(index, 5));
    case 5: {
        constexpr std::array<Sequence, 4> kSequences{Sequence::Normal, Sequence::Normal,
                                                     Sequence::Reverse, Sequence::Error};
        return anglesFrame(phases[0], wobble(index), kSequences[std::size_t(wrapped(round, 4))]);
    }
    default: {
        const int sub = wrapped(round, 3);
        return energyFrame(sub, phases[sub], scales, 50.0 + 731.0 * wrapped(round, 40),
                           kStoredStartSecond + 60 * wrapped(index, kSecondsPerDay));
    }
    }
}

QByteArray storedRecords(int count)
{
    QByteArray all;
    all.reserve(qsizetype(qMax(count, 0)) * kFrameSize);
    for (int i = 0; i < count; ++i)
        all.append(storedRecord(i));
    return all;
}

} // namespace korvane::sim
