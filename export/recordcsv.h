// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"
#include "records/recordtable.h"

#include <QByteArray>

namespace korvane::exporting {

// Every row and all seven columns as comma-separated values with RFC 4180 quoting and CR LF
// line ends, UTF-8 with a byte-order mark so spreadsheet programs read the degree sign right.
QByteArray recordTableCsv(const records::RecordTable& table);
SaveResult saveRecordCsv(const QString& path, const records::RecordTable& table);

} // namespace korvane::exporting
