// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"

#include <QStringView>
#include <QtGlobal>

#include <array>
#include <chrono>
#include <optional>
#include <vector>

namespace korvane::energy {

// Korvane's own integrals of the active powers P1, P2, P3 and P, in Wh. The meter's P has no
// sign, so these are energy consumed and never go backwards.
enum class EnergyKey : quint8 { E1, E2, E3, E };
constexpr int kEnergyKeyCount = int(EnergyKey::E) + 1;

QStringView energyKeyName(EnergyKey key);
measure::Key powerKeyOf(EnergyKey key);

// A longer interval between two samples of the same power is a gap: the link was lost, only
// keep-alives were polled, or the quantity fell silent. Nothing is guessed across it.
constexpr std::chrono::milliseconds kLongestInterval{10'000};

struct Totals
{
    std::array<double, kEnergyKeyCount> wh{};
    std::optional<qint64> sinceMs; // when counting began: the first sample, or a reset

    double operator[](EnergyKey key) const { return wh[std::size_t(key)]; }
};

// The energy one interval between two samples added.
struct Increment
{
    EnergyKey key = EnergyKey::E;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    double wh = 0;
};

enum class GapReason : quint8 {
    TooLong,     // no sample of the power for more than kLongestInterval
    Overload,    // the meter showed "OL" at one end
    TimeWentBack // a reading older than the one before (the system clock was set back)
};

struct Gap
{
    EnergyKey key = EnergyKey::E;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    GapReason why = GapReason::TooLong;

    bool operator==(const Gap&) const = default;
};

// Why the energy does not grow at the moment.
enum class Idle : quint8 {
    NoReadings, // nothing at all from the meter for kLongestInterval, or never
    LinkLost,   // the session lost the meter and has not found it again
    NoPower,    // readings come, but none of P1, P2, P3, P (other frame kinds only)
    Overload,   // the powers come as "OL"
};

// Integrates the active powers by trapezoids between consecutive samples of the same key, using
// only the readings' own times. A continuous consumer of readings; it keeps no file.
class EnergyIntegrator
{
public:
    // The energy the reading added, one increment per power it carried that closed an interval.
    std::vector<Increment> add(const measure::Reading& reading);

    // The session reports the link lost; the next reading ends that state.
    void linkLost() { m_linkLost = true; }
    // Whether the energy is standing still at nowMs and why; nothing while it accumulates.
    std::optional<Idle> notAccumulating(qint64 nowMs) const;

    const Totals& totals() const { return m_totals; }
    // Resumes saved totals; the next sample starts a new interval.
    void restore(const Totals& totals);
    // Starts again from zero at nowMs.
    void reset(qint64 nowMs);

    // Gaps since the last takeGaps(), in the order they began; an overload that lasts several
    // intervals is one gap growing.
    const std::vector<Gap>& gaps() const { return m_gaps; }
    std::vector<Gap> takeGaps();

private:
    struct Sample
    {
        qint64 ms = 0;
        double watts = 0;
        bool overload = false;
        bool seen = false;
    };
    void addGap(EnergyKey key, qint64 fromMs, qint64 toMs, GapReason why);

    std::array<Sample, kEnergyKeyCount> m_last{};
    Totals m_totals;
    std::vector<Gap> m_gaps;
    std::optional<qint64> m_lastReadingMs;
    bool m_linkLost = false;
};

} // namespace korvane::energy
