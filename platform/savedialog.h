// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace korvane::platform {

// What the save dialog is opened with. Filter indexes count from 1, as the user sees the list.
struct SaveDialogRequest
{
    QString initialName;
    QStringList filters; // "Text (*.txt)", ...
    int selectedFilter = 1;
    QString defaultSuffix; // without the dot
    QString folder;
    // False where an existing file is never replaced (a log writes beside it): no "replace?".
    bool confirmOverwrite = true;
};

// The user's answer: a full path and the type chosen, or a cancel.
struct SaveDialogAnswer
{
    bool accepted = false;
    QString path;
    int selectedFilter = 1;
};

class SaveDialog
{
public:
    virtual ~SaveDialog() = default;
    virtual SaveDialogAnswer ask(const SaveDialogRequest& request) = 0;
};

} // namespace korvane::platform
