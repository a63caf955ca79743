// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messageboxes.h"

#include <QStringList>

#include <utility>

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
    void question(const QString& title, const QString& text, const QString& acceptText,
                  std::function<void()> onAccept) override
    {
        shown << QStringLiteral("question|%1|%2|%3").arg(title, text, acceptText);
        m_accept = std::move(onAccept);
    }
    // The user picks the accepting choice of the last question.
    void accept()
    {
        if (auto run = std::exchange(m_accept, {}))
            run();
    }
    QStringList shown;

private:
    std::function<void()> m_accept;
};

} // namespace korvane::fakes
