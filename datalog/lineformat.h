// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/intervalstats.h"
#include "measure/reading.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace korvane::datalog {

enum class Format { Tsv, Csv, Jsonl, Influx };
// Comma with a decimal point, or, for spreadsheets in decimal-comma locales, semicolon with a
// decimal comma.
enum class Dialect { Comma, Semicolon };

// Something a reader of the log must see between frames: the link lost, the meter found again,
// live frames paused for keep-alives or back.
struct Event
{
    qint64 ms = 0;
    QString text;
};

// Turns readings, events and interval statistics into whole lines of one format. Every method
// returns complete lines with their line ends, or nothing when the format has nothing to say.
class LineFormat
{
public:
    virtual ~LineFormat() = default;

    // What starts every file or stream of frames, and of interval statistics.
    virtual QByteArray frameHeading() const = 0;
    virtual QByteArray statsHeading() const = 0;

    virtual QByteArray frame(const measure::Reading& reading) = 0;
    virtual QByteArray event(const Event& event) = 0;
    virtual QByteArray stats(const IntervalSummary& summary) = 0;

    // The device the meter answers on, for formats that name it.
    void setMeter(const QString& device) { m_meter = device; }
    const QString& meter() const { return m_meter; }

private:
    QString m_meter;
};

// bom: a UTF-8 byte-order mark before a CSV heading, as files for spreadsheets have it.
std::unique_ptr<LineFormat> makeFormat(Format format, Dialect dialect = Dialect::Comma,
                                       bool bom = false);

} // namespace korvane::datalog
