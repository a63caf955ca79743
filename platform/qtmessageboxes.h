// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messageboxes.h"

#include <QPointer>
#include <QWidget>

namespace korvane::platform {

class QtMessageBoxes : public MessageBoxes
{
public:
    void setParent(QWidget* parent) { m_parent = parent; }
    void information(const QString& title, const QString& text) override;
    void warning(const QString& title, const QString& text) override;
    void question(const QString& title, const QString& text, const QString& acceptText,
                  std::function<void()> onAccept, std::function<void()> onCancel = {}) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace korvane::platform
