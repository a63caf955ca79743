// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"
#include "records/recordtable.h"

namespace korvane::exporting {

// The record table as an .xlsx workbook: grid cell (r, c) goes to sheet cell (r + 1, c + 1) of
// the first sheet as a text, every cell centred, empty texts included. Saved atomically like the
// other files, so a failed save leaves the old file intact and the file gets the same permissions.
SaveResult xlsexport(const QString& path, const records::RecordTable& table);

} // namespace korvane::exporting
