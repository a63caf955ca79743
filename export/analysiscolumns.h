// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/quantity.h"
#include "measure/reading.h"
#include "records/storedrecord.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <span>
#include <vector>

namespace korvane::exporting {

// Whether the download that gave the records ran to its end; a cancelled or broken one keeps
// its whole records and says so in every file for analysis.
enum class Download : bool { Complete, Incomplete };

// The columns the CSV and the workbook for analysis share: "record", "kind", "index", "clock",
// one per quantity key that any record has (in key order, headed with its unit as the log heads
// it), "overload" (the overloaded keys, space-separated), and "incomplete" (true on every row)
// only when the download was, so even a heading without rows says it.
struct AnalysisColumns
{
    std::vector<measure::Key> keys;
    bool incomplete = false;

    QStringList headings() const;
};

AnalysisColumns analysisColumns(std::span<const records::StoredRecord> stored, Download download);

// A reading's quantities by key, null where it has none.
using QuantitiesByKey = std::array<const measure::Quantity*, measure::kKeyCount>;
QuantitiesByKey quantitiesByKey(const measure::Reading& reading);

// The meter's clock as "hh:mm:ss" (each byte as sent, so an hour may read 255).
QByteArray clockCell(const measure::MeterClock& clock);
// The keys shown as "OL", space-separated: "P1 S1".
QByteArray overloadCell(const measure::Reading& reading);

} // namespace korvane::exporting
