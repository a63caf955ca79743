// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/analysisjsonl.h"

#include "datalog/jsonlformat.h"
#include "export/atomicfile.h"

namespace korvane::exporting {

QByteArray analysisJsonl(std::span<const records::StoredRecord> stored, Download download)
{
    datalog::JsonlFormat format;
    QByteArray out;
    out.reserve(qsizetype(stored.size()) * 256);
    for (const records::StoredRecord& record : stored) {
        out += "{\"record\":" + QByteArray::number(record.number);
        if (record.reading) {
            // The log's object, opened already: its '{' is dropped, its fields follow.
            out += ',';
            out += QByteArrayView(format.frame(*record.reading)).sliced(1);
        } else {
            out += ",\"kind\":" + QByteArray::number(record.type) +
                   ",\"values\":{},\"overload\":[],\"units\":{}}\n";
        }
    }
    if (download == Download::Incomplete)
        out += "{\"incomplete\":true,\"records\":" + QByteArray::number(qsizetype(stored.size())) +
               "}\n";
    return out;
}

SaveResult saveAnalysisJsonl(const QString& path, std::span<const records::StoredRecord> stored,
                             Download download)
{
    return writeFileAtomically(path, analysisJsonl(stored, download));
}

} // namespace korvane::exporting
