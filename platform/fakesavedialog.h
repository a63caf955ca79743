#pragma once

#include "platform/savedialog.h"

#include <QList>

namespace korvane::platform {

// Answers with what a test set, and keeps every request.
class FakeSaveDialog : public SaveDialog
{
public:
    SaveDialogAnswer ask(const SaveDialogRequest& request) override
    {
        requests << request;
        return answer;
    }
    SaveDialogAnswer answer;
    QList<SaveDialogRequest> requests;
};

} // namespace korvane::platform
