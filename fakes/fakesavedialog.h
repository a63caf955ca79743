// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/savedialog.h"

#include <QList>

namespace korvane::fakes {

// Answers with what a test set, and keeps every request.
class FakeSaveDialog : public platform::SaveDialog
{
public:
    platform::SaveDialogAnswer ask(const platform::SaveDialogRequest& request) override
    {
        requests << request;
        return answer;
    }
    platform::SaveDialogAnswer answer;
    QList<platform::SaveDialogRequest> requests;
};

} // namespace korvane::fakes
