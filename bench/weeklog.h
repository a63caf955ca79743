// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::bench {

// A log of live frames at two a second over `days` days from local midnight of 2026-12-01,
// written with the real CSV format (a byte-order mark, comma dialect), the link lost for half a
// minute every six hours. Says its size on stdout; false when it cannot be written. `noisy`
// gives every value a random part in a thousand, so that no stretch of a plot is level.
bool writeWeekLog(const QString& path, int days, bool noisy = false);

} // namespace korvane::bench
