// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::app {

// Where the save dialog opens: "c:\Korvane" on Windows, elsewhere "Korvane" in the home folder.
// Created when missing; when it cannot be created the dialog opens in the home folder.
QString defaultSaveFolder();

} // namespace korvane::app
