// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/csvformat.h"
#include "export/analysiscolumns.h"
#include "export/saveresult.h"

namespace korvane::exporting {

// The downloaded records for a spreadsheet, pandas or a database: a heading (see
// AnalysisColumns), then one row per record with plain numbers in the key's base unit, written
// as the log writes them in the style's dialect. An overload and an undefined code leave the
// cell empty (the overload is named in "overload"); a record of a type the meter does not
// define has only its number and kind.
QByteArray analysisCsv(std::span<const records::StoredRecord> stored, Download download,
                       const datalog::CsvFormat::Style& style);

// As a file: UTF-8 with a byte-order mark and CR LF, like the log's files; one-shot and atomic.
SaveResult saveAnalysisCsv(const QString& path, std::span<const records::StoredRecord> stored,
                           Download download, datalog::Dialect dialect);

} // namespace korvane::exporting
