// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/reading.h"

#include <QString>

#include <array>
#include <optional>

namespace korvane::measure {

// What one reading does to the six caption and six value displays: a new text, or nullopt where
// the display keeps the text it shows.
struct LiveTexts
{
    std::array<std::optional<QString>, kLiveRows> captions;
    std::array<std::optional<QString>, kLiveRows> values;
};

LiveTexts liveTexts(const Reading& reading);

} // namespace korvane::measure
