// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"

#include <xlsxwriter.h>

#include <functional>

namespace korvane::exporting {

// Builds a workbook with fill() in a private temporary file (libxlsxwriter writes only to a file
// of its own, and its constant-memory mode, on here, streams the rows there anyway) and then
// saves it atomically like every other file. fill() must write each sheet row by row.
SaveResult saveXlsx(const QString& path, const std::function<lxw_error(lxw_workbook*)>& fill);

} // namespace korvane::exporting
