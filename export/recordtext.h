// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"
#include "records/recordtable.h"

#include <QByteArray>

namespace korvane::exporting {

// The record table as fixed-column text: one line per row, columns 0 to 3 at tab stops 20, 40,
// 60 on heading rows and 19 - L, 39 - L, 59 - L on value rows (L: length of the row's first
// cell); CR LF between lines, none after the last. Columns count characters. UTF-8.
QByteArray recordTableText(const records::RecordTable& table);
SaveResult saveRecordText(const QString& path, const records::RecordTable& table);

} // namespace korvane::exporting
