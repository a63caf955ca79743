// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/livetexts.h"

#include "measure/readingtext.h"

namespace korvane::measure {

LiveTexts liveTexts(const Reading& reading)
{
    LiveTexts out;
    const auto names = captions(reading);
    for (int i = 0; i < kLiveRows; ++i)
        out.captions[std::size_t(i)] = names[std::size_t(i)];
    out.values = valueTexts(reading);
    return out;
}

} // namespace korvane::measure
