// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/snapshot.h"

#include <QPointF>

#include <array>

namespace korvane::app {

// The four arrows of the phasor diagram: U1, U2, U3 and the current, each from its type-2 angle
// and its latest type-1 magnitude. The meter sends angles as lags behind U1, so U1 points along
// the positive x axis and every other arrow is drawn its angle clockwise of it: as phasors
// rotate counter-clockwise, a normal sequence passes U1, U2, U3 in turn, and a lagging
// (inductive) current lies clockwise of U1. y grows upwards here (a painter flips it). Voltages
// and the current have scales of their own: the longest voltage arrow and the current arrow
// each reach the radius.
struct PhasorArrow
{
    measure::Key magnitudeKey;
    measure::Key angleKey;
    bool voltage = true;
    bool present = false; // both the angle and the magnitude have been received
    double magnitude = 0;
    double angle = 0; // degrees lagging U1, 0 <= angle < 360
    QPointF tip;      // in units of the radius
};

using PhasorArrows = std::array<PhasorArrow, 4>;

PhasorArrows phasorArrows(const measure::Snapshot& snapshot);

enum class PhaseOrder { Unknown, Normal, Reverse };

// The order the arrows show: Normal when U2 lags U1 less than U3 does (clockwise from U1 comes
// U2, then U3), Reverse the other way round; Unknown while U2 or U3 is missing or without
// length, or when U1, U2 and U3 do not point three ways.
PhaseOrder drawnOrder(const PhasorArrows& arrows);
// The order by the meter's sequence byte; Unknown for "error" and before any has come.
PhaseOrder reportedOrder(const measure::Snapshot& snapshot);
// The arrows contradict the meter's sequence text: both orders known and different.
bool orderDisagrees(const PhasorArrows& arrows, const measure::Snapshot& snapshot);

} // namespace korvane::app
