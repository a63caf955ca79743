// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/lineformat.h"

namespace korvane::datalog {

// One JSON object per line. A frame: {"time", "kind", "index" (types 0 and 3), "values" (key to
// number), "units" (key to unit, for every key in values or overload), "overload" (the keys
// shown as "OL")}; an undefined scale code leaves its key out. An event: {"time", "event"}. An
// interval: {"start", "end", "partial", "stats" (key to min, avg, max, count, overloads),
// "units"}.
class JsonlFormat : public LineFormat
{
public:
    QByteArray frameHeading() const override { return {}; }
    QByteArray statsHeading() const override { return {}; }
    using LineFormat::frame;
    QByteArray frame(const measure::Reading& reading, const DerivedValues& derived) override;
    Format format() const override { return Format::Jsonl; }
    QByteArray event(const Event& event) override;
    QByteArray stats(const IntervalSummary& summary) override;
};

} // namespace korvane::datalog
