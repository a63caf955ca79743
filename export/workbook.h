#pragma once

#include "export/saveresult.h"
#include "records/recordtable.h"

namespace korvane::exporting {

// The record table as an .xlsx workbook: grid cell (r, c) goes to sheet cell (r + 1, c + 1) of
// the first sheet as a text, every cell centred, empty texts included. Written to a temporary
// file beside the target and renamed over it, so a failed save leaves the old file intact.
SaveResult xlsexport(const QString& path, const records::RecordTable& table);

} // namespace korvane::exporting
