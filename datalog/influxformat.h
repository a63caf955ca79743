// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/lineformat.h"

namespace korvane::datalog {

// InfluxDB line protocol. A frame: measurement "korvane", tags meter (the device) and kind, the
// quantities with a value as float fields, the frame's index as an integer field where it has
// one, and the keys shown as "OL" as a string field "overload"; nanoseconds since the epoch. An
// event goes to "korvane_event" (string field "event"), an interval to "korvane_stats" (tags
// meter and interval, fields KEY_min, KEY_avg, KEY_max, KEY_count, KEY_overloads and partial,
// at the interval's start, or at its first sample when it is partial).
class InfluxFormat : public LineFormat
{
public:
    QByteArray frameHeading() const override { return {}; }
    QByteArray statsHeading() const override { return {}; }
    using LineFormat::frame;
    QByteArray frame(const measure::Reading& reading, const DerivedValues& derived) override;
    Format format() const override { return Format::Influx; }
    QByteArray event(const Event& event) override;
    QByteArray stats(const IntervalSummary& summary) override;

private:
    QByteArray seriesKey(const char* measurement) const;
};

} // namespace korvane::datalog
