// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/windowcapture.h"

namespace korvane::platform {

// With its frame where the windowing system lets a program read the screen (X11), otherwise
// the client area as the window draws it.
class QtWindowCapture : public WindowCapture
{
public:
    QImage capture(QWidget& window) override;
    void toClipboard(const QImage& image) override;
};

} // namespace korvane::platform
