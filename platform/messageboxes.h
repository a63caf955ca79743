// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace korvane::platform {

// Messages to the user, modal to the window. They return at once, never waiting for the user,
// so any handler may show one. The window's real ones are QMessageBoxes; tests record them.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void information(const QString& title, const QString& text) = 0;
    virtual void warning(const QString& title, const QString& text) = 0;
    // Asks before something the user may not want: onAccept runs once the user picks acceptText,
    // onCancel once the user picks Cancel or closes the box.
    virtual void question(const QString& title, const QString& text, const QString& acceptText,
                          std::function<void()> onAccept, std::function<void()> onCancel = {}) = 0;
};

} // namespace korvane::platform
