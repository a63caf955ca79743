// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/lineformat.h"

namespace korvane::datalog {

// Frames as rows under a heading of every quantity key with its unit, "time" first, then "kind"
// and "index" (byte 1 of types 0 and 3) and "status" last: a frame fills its own quantities ("OL"
// for an overload) and leaves the rest empty; an event is a row with only its time and status.
// Statistics are a row per interval and quantity. Also the tab-separated statistics of the TSV
// format.
class CsvFormat : public LineFormat
{
public:
    struct Style
    {
        char separator = ',';
        char decimalPoint = '.';
        bool bom = false;
        QByteArrayView lineEnd = "\r\n";
    };

    explicit CsvFormat(Style style) : m_style(style) {}
    static Style style(Dialect dialect, bool bom);

    QByteArray frameHeading() const override;
    QByteArray statsHeading() const override;
    using LineFormat::frame;
    QByteArray frame(const measure::Reading& reading, const DerivedValues& derived) override;
    Format format() const override { return Format::Csv; }
    QByteArray event(const Event& event) override;
    QByteArray stats(const IntervalSummary& summary) override;

private:
    QByteArray heading(const QStringList& names) const;

    Style m_style;
};

} // namespace korvane::datalog
