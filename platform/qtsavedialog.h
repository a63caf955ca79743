// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/savedialog.h"

#include <QPointer>
#include <QWidget>

namespace korvane::platform {

// QFileDialog in save mode. It asks before replacing a file, and the default suffix follows
// the type the user picks.
class QtSaveDialog : public SaveDialog
{
public:
    void setParent(QWidget* parent) { m_parent = parent; }
    SaveDialogAnswer ask(const SaveDialogRequest& request) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace korvane::platform
