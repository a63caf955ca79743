// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/windowcapture.h"

#include <QWidget>

namespace korvane::fakes {

// Captures by drawing the window offscreen; keeps what went to the clipboard.
class FakeWindowCapture : public platform::WindowCapture
{
public:
    QImage capture(QWidget& window) override
    {
        ++captures;
        return window.grab().toImage();
    }
    void toClipboard(const QImage& image) override { clipboard << image; }
    int captures = 0;
    QList<QImage> clipboard;
};

} // namespace korvane::fakes
