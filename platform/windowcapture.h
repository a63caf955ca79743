// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

class QWidget;

namespace korvane::platform {

// A picture of the program's own window, and the system clipboard it can go onto.
class WindowCapture
{
public:
    virtual ~WindowCapture() = default;
    virtual QImage capture(QWidget& window) = 0;
    virtual void toClipboard(const QImage& image) = 0;
};

} // namespace korvane::platform
