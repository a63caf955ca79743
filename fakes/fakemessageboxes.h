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
                  std::function<void()> onAccept, std::function<void()> onCancel = {}) override
    {
        shown << QStringLiteral("question|%1|%2|%3").arg(title, text, acceptText);
        m_accept = std::move(onAccept);
        m_cancel = std::move(onCancel);
    }
    // The user answers the last question.
    void accept() { answer(m_accept); }
    void cancel() { answer(m_cancel); }
    QStringList shown;

private:
    void answer(std::function<void()>& choice)
    {
        auto run = std::exchange(choice, {});
        m_accept = m_cancel = {};
        if (run)
            run();
    }
    std::function<void()> m_accept;
    std::function<void()> m_cancel;
};

} // namespace korvane::fakes
