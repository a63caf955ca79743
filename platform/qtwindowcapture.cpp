// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtwindowcapture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace korvane::platform {

QImage QtWindowCapture::capture(QWidget& window)
{
    QCoreApplication::processEvents(); // let the window finish painting first
    QScreen* screen = window.screen();
    const bool screenReadable = QGuiApplication::platformName() == QLatin1String("xcb");
    if (screen && screenReadable && window.isActiveWindow()) {
        const QRect frame = window.frameGeometry();
        const QPixmap shot =
            screen->grabWindow(0, frame.x() - screen->geometry().x(),
                               frame.y() - screen->geometry().y(), frame.width(), frame.height());
        if (!shot.isNull())
            return shot.toImage();
    }
    return window.grab().toImage();
}

void QtWindowCapture::toClipboard(const QImage& image)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(image);
}

} // namespace korvane::platform
