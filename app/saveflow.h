// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/page.h"
#include "platform/messageboxes.h"
#include "platform/savedialog.h"

namespace korvane::app {

// Save as the user meets it: the dialog opened on the type chosen last (a list with fewer types
// takes its last), the chosen type's writer, and a warning naming the file and the reason when
// the file could not be written, or afterSaving once it was. `remembered` is updated to the
// user's choice.
void runSave(const SaveOffer& offer, int& remembered, platform::SaveDialog& dialog,
             platform::MessageBoxes& messages, const QString& afterSaving = {});

} // namespace korvane::app
