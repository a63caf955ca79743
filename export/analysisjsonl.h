// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/analysiscolumns.h"
#include "export/saveresult.h"

namespace korvane::exporting {

// One JSON object per record and line: the log's object of its reading with "record" (its
// number) first; a record of a type the meter does not define is {"record", "kind"} with empty
// "values", "overload" and "units". An incomplete download ends with {"incomplete":true,
// "records":N}, N the records written.
QByteArray analysisJsonl(std::span<const records::StoredRecord> stored, Download download);

// As a file, one-shot and atomic.
SaveResult saveAnalysisJsonl(const QString& path, std::span<const records::StoredRecord> stored,
                             Download download);

} // namespace korvane::exporting
