#pragma once

#include <QString>

namespace korvane::platform {

// Modal messages to the user. The window's real ones are QMessageBoxes; tests record them.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void information(const QString& title, const QString& text) = 0;
    virtual void warning(const QString& title, const QString& text) = 0;
};

} // namespace korvane::platform
