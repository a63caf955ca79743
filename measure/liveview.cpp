// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/liveview.h"

namespace korvane::measure {

void applyTo(const LiveTexts& texts, LiveView& view)
{
    for (int i = 0; i < kLiveRows; ++i) {
        if (texts.captions[i])
            view.setCaption(i, *texts.captions[i]);
    }
    for (int i = 0; i < kLiveRows; ++i) {
        if (texts.values[i])
            view.setValue(i, *texts.values[i]);
    }
}

LiveTextsState::LiveTextsState()
{
    for (int i = 0; i < kLiveRows; ++i) {
        m_captions[i] = kStartCaptions[i].toString();
        m_values[i] = kStartValues[i].toString();
    }
}

} // namespace korvane::measure
