// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/analysiscolumns.h"
#include "export/saveresult.h"

namespace korvane::exporting {

// The downloaded records as an .xlsx workbook of numbers: the analysis CSV's columns, a heading
// row, then one row per record with the record number, kind, index and quantities as numeric
// cells (each quantity formatted to the meter's finest step for its kind: power factors to
// thousandths, frequency and angles to tenths), the clock and the overloaded keys as texts and
// "incomplete" as a boolean. Empty cells stay empty. Saved atomically.
SaveResult saveAnalysisWorkbook(const QString& path, std::span<const records::StoredRecord> stored,
                                Download download);

} // namespace korvane::exporting
