// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/intervalstats.h"
#include "measure/reading.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

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

// The recorder's events as a log writes them; readers of a log look for the same texts.
namespace eventtext {
inline constexpr char kLinkLost[] = "link lost";
inline constexpr char kMeterFoundOn[] = "meter found on "; // then the device
inline constexpr char kLiveFramesPaused[] = "live frames paused: records downloading";
inline constexpr char kLiveFramesAgain[] = "live frames again";
} // namespace eventtext

// A quantity derived from the readings (Korvane's own, not the meter's), written after the
// meter's quantities when a front end asks for it: energy consumed and its cost.
struct DerivedColumn
{
    enum class Kind : quint8 { Energy, Cost };
    QString name;
    QString unit;
    Kind kind = Kind::Energy;

    bool operator==(const DerivedColumn&) const = default;
};
// One value per derived column, in the same order; none where a frame carries no such value.
using DerivedValues = std::vector<std::optional<double>>;

// Turns readings, events and interval statistics into whole lines of one format. Every method
// returns complete lines with their line ends, or nothing when the format has nothing to say.
class LineFormat
{
public:
    virtual ~LineFormat() = default;

    // What starts every file or stream of frames, and of interval statistics.
    virtual QByteArray frameHeading() const = 0;
    virtual QByteArray statsHeading() const = 0;

    // A frame with the derived values that go with it (see setDerivedColumns).
    virtual QByteArray frame(const measure::Reading& reading, const DerivedValues& derived) = 0;
    QByteArray frame(const measure::Reading& reading) { return frame(reading, {}); }
    virtual QByteArray event(const Event& event) = 0;
    virtual QByteArray stats(const IntervalSummary& summary) = 0;

    // The device the meter answers on, for formats that name it.
    void setMeter(const QString& device) { m_meter = device; }
    const QString& meter() const { return m_meter; }

    // Derived quantities every frame heading and frame has room for, after the meter's own;
    // none unless set, so the formats stay as they were.
    void setDerivedColumns(std::vector<DerivedColumn> columns) { m_derived = std::move(columns); }
    const std::vector<DerivedColumn>& derivedColumns() const { return m_derived; }

    virtual Format format() const = 0;

private:
    QString m_meter;
    std::vector<DerivedColumn> m_derived;
};

// bom: a UTF-8 byte-order mark before a CSV heading, as files for spreadsheets have it.
std::unique_ptr<LineFormat> makeFormat(Format format, Dialect dialect = Dialect::Comma,
                                       bool bom = false);

} // namespace korvane::datalog
