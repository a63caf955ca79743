// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/snapshot.h"

#include <QPointF>

#include <array>
#include <optional>

namespace korvane::app {

// The four arrows of the phasor diagram: U1, U2, U3 and the current, each from its type-2 angle
// and its latest type-1 magnitude. U1 points along the positive x axis and angles run counter-
// clockwise, so every angle is taken relative to U1's; y grows upwards here (a painter flips
// it). Voltages and the current have scales of their own: the longest voltage arrow and the
// current arrow each reach the radius.
struct PhasorArrow
{
    measure::Key magnitudeKey;
    measure::Key angleKey;
    bool voltage = true;
    bool present = false; // both the angle and the magnitude have been received
    double magnitude = 0;
    double angle = 0; // degrees counter-clockwise from U1, 0 <= angle < 360
    QPointF tip;      // in units of the radius
};

using PhasorArrows = std::array<PhasorArrow, 4>;

PhasorArrows phasorArrows(const measure::Snapshot& snapshot);

} // namespace korvane::app
