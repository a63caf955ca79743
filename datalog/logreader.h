// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/quantity.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace korvane::datalog {

// What a file read back turned out to be, from its first line.
enum class LogType : quint8 {
    Unknown,   // nothing read yet
    Csv,       // the log's CSV, either dialect
    JsonLines, // the log's JSON Lines
    TrendCsv,  // the trend's samples saved as CSV
};

// A quantity the program derived beside the meter's (energy, cost), as a log names it.
struct DerivedName
{
    QString name;
    QString unit;
};

struct DerivedSample
{
    int column = 0; // into LogReader::derived()
    double value = 0;
};

// A row of quantities read back. The spans hold until the next line is read.
struct LogFrame
{
    qint64 ms = 0;               // since the epoch, UTC; the offset written is honoured
    std::optional<quint8> kind;  // the frame type; the trend's export has none
    std::optional<quint8> index; // byte 1 of types 0 and 3
    std::span<const measure::Quantity> quantities; // values and overloads ("OL")
    std::span<const DerivedSample> derived;
};

// A row that is no frame: a gap the recorder marked, an alarm, or another note.
struct LogEvent
{
    enum class Kind : quint8 {
        LinkLost,
        MeterFound, // device holds where
        Paused,     // live frames paused for a record download
        Resumed,    // live frames again
        Alarm,
        Other, // an energy gap or anything else, kept as its text
    };
    struct Alarm
    {
        bool raised = true;
        QString rule; // as written: "U1>253 for 5s clear 251"
        std::optional<measure::Key> key;
        std::optional<double> value;
        bool overload = false;
    };

    qint64 ms = 0;
    Kind kind = Kind::Other;
    QString text; // as a CSV status row would read
    QString device;
    std::optional<Alarm> alarm;
};

// Where a reader hands what it reads, line by line.
class LogVisitor
{
public:
    virtual ~LogVisitor() = default;
    virtual void frame(const LogFrame& frame) = 0;
    virtual void event(const LogEvent& event) = 0;
};

// Reads a Korvane log back in pieces, so that what was read can be shown while the rest is read:
// the CSV log (either dialect, byte-order mark, CR LF, its columns found by their headings, the
// derived ones too), JSON Lines, or the trend's CSV export, told apart by the first line. A
// piece may end anywhere; a line is read once its line end has come. A line that does not read
// stops the reader with an error naming the file and the line; a last line without its line end
// (a program killed while writing) is left out with a notice.
class LogReader
{
public:
    // fileName: for messages only.
    explicit LogReader(QString fileName);
    ~LogReader();
    LogReader(const LogReader&) = delete;
    LogReader& operator=(const LogReader&) = delete;

    // Reads every whole line in what has come so far. False once the log failed.
    bool feed(QByteArrayView bytes, LogVisitor& to);
    // The file ended: what is left is a torn last line. False when the log failed.
    bool finish(LogVisitor& to);

    LogType type() const { return m_type; }
    // Derived quantities in the order first met.
    const std::vector<DerivedName>& derived() const { return m_derived; }
    bool failed() const { return !m_error.isEmpty(); }
    // "survey.csv, line 17: ..." or "survey.csv is not a Korvane log ...".
    const QString& error() const { return m_error; }
    // What was left out without failing: a torn last line.
    const QStringList& notices() const { return m_notices; }
    // Lines read so far, the heading included.
    qint64 lines() const { return m_line; }

private:
    struct Csv;

    bool readLine(QByteArrayView line, LogVisitor& to);
    bool readHeading(QByteArrayView line, LogVisitor& to);
    bool readCsvRow(QByteArrayView line, LogVisitor& to);
    bool readJsonLine(QByteArrayView line, LogVisitor& to);
    bool fail(const QString& what);
    bool notKorvane(const QString& why);
    int derivedColumn(const QString& name, const QString& unit);

    QString m_fileName;
    LogType m_type = LogType::Unknown;
    QByteArray m_pending;
    qint64 m_line = 0;
    bool m_started = false;
    std::unique_ptr<Csv> m_csv;
    std::vector<DerivedName> m_derived;
    std::vector<measure::Quantity> m_quantities;
    std::vector<DerivedSample> m_samples;
    QString m_error;
    QStringList m_notices;
};

// An event's text sorted out: what the recorder and the alarms write ("link lost", "alarm
// raised: U1>253 for 5s clear 251 (254.1)"...).
LogEvent eventFromText(qint64 ms, const QString& text);

// "2026-12-07T10:15:02.250+01:00" (also "Z" for UTC) to milliseconds since the epoch.
std::optional<qint64> parseIsoTime(QByteArrayView text);

} // namespace korvane::datalog
