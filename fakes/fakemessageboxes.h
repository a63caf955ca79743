// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messageboxes.h"

#include <QStringList>

namespace korvane::fakes {

// Records every message instead of showing it.
class FakeMessageBoxes : public platform::MessageBoxes
{
public:
    void information(const QString& title, const QString& text) override
    {
        shown << QStringLiteral("information|%1|%2").arg(title, text);
    }
    void warning(const QString& title, const QString& text) override
    {
        shown << QStringLiteral("warning|%1|%2").arg(title, text);
    }
    QStringList shown;
};

} // namespace korvane::fakes
