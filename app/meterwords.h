// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::app {

// The meter's own words where the window shows them among words of its own (the Overview and
// Phasor pages): the phase sequence ("normal", "reverse", "error") and the Overview's "Phase".
// Numbers and anything else pass unchanged; the Realtime page shows the meter's words as the
// meter does.
QString meterWord(const QString& word);

} // namespace korvane::app
