// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"

#include <QString>

#include <array>
#include <optional>

namespace korvane::measure {

// The text a display shows for a quantity: the number by numtext, then its unit without a blank
// ("230.5V", "12kVA", "-0.85", "OL" and the kilo unit on an overload). An undefined code has no
// text, so the display keeps what it shows rather than growing a unit each frame.
std::optional<QString> quantityText(const Quantity& quantity);

// Hours, minutes, seconds as plain integers joined by ':'.
QString clockText(const MeterClock& clock);

// The names of the six rows for the reading's kind ("U1", "PF", "phase", "Time"...), as the
// record table's heading rows show them; rows a kind does not use are empty.
std::array<QString, kLiveRows> headings(const Reading& reading);
// The live view's captions: each heading with ": " after it, or ":" alone where the display has
// no room ("PF:" of the totals, "phase:"); empty rows stay empty.
std::array<QString, kLiveRows> captions(const Reading& reading);
// The six value texts in row order; rows a kind does not use are empty, and a quantity with an
// undefined code is nullopt: its display keeps its text.
std::array<std::optional<QString>, kLiveRows> valueTexts(const Reading& reading);

} // namespace korvane::measure
