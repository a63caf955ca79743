// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/quantity.h"

#include <QColor>

namespace korvane::app {

// A quantity's colour in every trend, whatever else is shown beside it: the quantities shown
// together most often (a phase's voltage, current, power factor and power, the frequency) differ
// most. Lighter on a dark palette, so that the lines read on either.
QColor trendColour(measure::Key key, bool dark);

} // namespace korvane::app
