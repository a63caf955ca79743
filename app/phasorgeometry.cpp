// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/phasorgeometry.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <optional>

namespace korvane::app {

namespace {
using measure::Key;

struct ArrowKeys
{
    Key magnitude;
    Key angle;
    bool voltage;
};
constexpr std::array<ArrowKeys, 4> kArrows{{
    {Key::U1, Key::AngleU1, true},
    {Key::U2, Key::AngleU2, true},
    {Key::U3, Key::AngleU3, true},
    {Key::I, Key::AngleI, false},
}};

std::optional<double> valueOf(const measure::Snapshot& snapshot, Key key)
{
    const auto& entry = snapshot.latest(key);
    if (!entry.seen || !entry.quantity.hasValue())
        return std::nullopt;
    return entry.quantity.value;
}
} // namespace

PhasorArrows phasorArrows(const measure::Snapshot& snapshot)
{
    PhasorArrows arrows;
    const double reference = valueOf(snapshot, Key::AngleU1).value_or(0);
    double longestVoltage = 0;
    double longestCurrent = 0;
    for (std::size_t i = 0; i < kArrows.size(); ++i) {
        PhasorArrow& arrow = arrows[i];
        arrow.magnitudeKey = kArrows[i].magnitude;
        arrow.angleKey = kArrows[i].angle;
        arrow.voltage = kArrows[i].voltage;
        const auto magnitude = valueOf(snapshot, arrow.magnitudeKey);
        const auto angle = valueOf(snapshot, arrow.angleKey);
        if (!magnitude || !angle)
            continue;
        arrow.present = true;
        arrow.magnitude = std::max(0.0, *magnitude);
        arrow.angle = std::fmod(std::fmod(*angle - reference, 360.0) + 360.0, 360.0);
        double& longest = arrow.voltage ? longestVoltage : longestCurrent;
        longest = std::max(longest, arrow.magnitude);
    }
    for (PhasorArrow& arrow : arrows) {
        if (!arrow.present)
            continue;
        const double longest = arrow.voltage ? longestVoltage : longestCurrent;
        const double length = longest > 0 ? arrow.magnitude / longest : 0;
        const double radians = qDegreesToRadians(arrow.angle);
        // A lag is drawn clockwise: at minus the angle, y upwards.
        arrow.tip = QPointF(length * std::cos(radians), -length * std::sin(radians));
    }
    return arrows;
}

PhaseOrder drawnOrder(const PhasorArrows& arrows)
{
    const PhasorArrow& u2 = arrows[1];
    const PhasorArrow& u3 = arrows[2];
    if (!u2.present || !u3.present || u2.magnitude <= 0 || u3.magnitude <= 0)
        return PhaseOrder::Unknown;
    // Two arrows on one line say nothing about the order.
    if (u2.angle == 0 || u3.angle == 0 || u2.angle == u3.angle)
        return PhaseOrder::Unknown;
    return u2.angle < u3.angle ? PhaseOrder::Normal : PhaseOrder::Reverse;
}

PhaseOrder reportedOrder(const measure::Snapshot& snapshot)
{
    // Sequence codes: 0 error, 1 normal, 2 reverse.
    switch (int(valueOf(snapshot, Key::Sequence).value_or(0))) {
    case 1:
        return PhaseOrder::Normal;
    case 2:
        return PhaseOrder::Reverse;
    default:
        return PhaseOrder::Unknown;
    }
}

bool orderDisagrees(const PhasorArrows& arrows, const measure::Snapshot& snapshot)
{
    const PhaseOrder drawn = drawnOrder(arrows);
    const PhaseOrder reported = reportedOrder(snapshot);
    return drawn != PhaseOrder::Unknown && reported != PhaseOrder::Unknown && drawn != reported;
}

} // namespace korvane::app
