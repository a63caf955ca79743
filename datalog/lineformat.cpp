// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/lineformat.h"

#include "datalog/csvformat.h"
#include "datalog/influxformat.h"
#include "datalog/jsonlformat.h"
#include "datalog/tsvformat.h"

namespace korvane::datalog {

std::unique_ptr<LineFormat> makeFormat(Format format, Dialect dialect, bool bom)
{
    switch (format) {
    case Format::Tsv:
        return std::make_unique<TsvFormat>();
    case Format::Csv:
        return std::make_unique<CsvFormat>(CsvFormat::style(dialect, bom));
    case Format::Jsonl:
        return std::make_unique<JsonlFormat>();
    case Format::Influx:
        return std::make_unique<InfluxFormat>();
    }
    return nullptr;
}

} // namespace korvane::datalog
