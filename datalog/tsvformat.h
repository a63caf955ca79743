// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/csvformat.h"
#include "measure/liveview.h"

namespace korvane::datalog {

// What the live view shows after each frame: its six caption/value pairs, tab-separated, with
// the texts an undefined code leaves as they were. No heading and no event lines. Statistics
// are the CSV's rows with tabs.
class TsvFormat : public LineFormat
{
public:
    QByteArray frameHeading() const override { return {}; }
    QByteArray statsHeading() const override { return m_stats.statsHeading(); }
    using LineFormat::frame;
    QByteArray frame(const measure::Reading& reading, const DerivedValues& derived) override;
    Format format() const override { return Format::Tsv; }
    QByteArray event(const Event&) override { return {}; }
    QByteArray stats(const IntervalSummary& summary) override { return m_stats.stats(summary); }

private:
    measure::LiveTextsState m_live;
    CsvFormat m_stats{{'\t', '.', false, "\n"}};
};

} // namespace korvane::datalog
