// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/logreader.h"
#include "trend/trendstore.h"

#include <QDate>
#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace korvane::survey {

// Something the logs mark beside their frames.
struct SurveyEvent
{
    enum class Kind : quint8 {
        Gap,   // from the link lost or live frames paused to the meter found or live frames again
        Alarm, // raised or cleared
        Other, // an energy gap, the meter found at the start, ...
    };
    Kind kind = Kind::Other;
    qint64 ms = 0;    // when; a gap's start
    qint64 endMs = 0; // a gap's end; ms for the others
    QString text;     // as the log says it; a gap: what started it
    std::optional<datalog::LogEvent::Alarm> alarm;
};

struct SurveySummary
{
    QString meter; // the device the log says the meter was found on; empty when it does not say
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    qint64 frames = 0;
    int gaps = 0;
    qint64 gapMs = 0;
    QStringList files; // read or being read, in time order
};

// Logs joined in time order into one trend store and a list of events. The files given are put
// in the order of their first times; beside each, the following days of a log that went on
// past midnight ("survey-2026-12-08.csv", also ".jsonl") are found by name and kept where their
// times continue the survey (else left out with a notice). Read in pieces, so a window can show
// what was read so far: open(), then readSome() until it returns false.
class Survey
{
public:
    explicit Survey(QStringList files);
    ~Survey();
    Survey(const Survey&) = delete;
    Survey& operator=(const Survey&) = delete;

    // Reads each file given as far as its first time and puts them in order. False with error()
    // when one cannot be opened or is no Korvane log.
    bool open();
    // Reads on for about `bytes` more; false once everything is read or the survey failed.
    bool readSome(qint64 bytes = 1 << 20);
    // The rest at once; false when it failed.
    bool readAll();

    bool atEnd() const { return m_done; }
    bool failed() const { return !m_error.isEmpty(); }
    // The file and the line at fault, or why a file could not be read.
    const QString& error() const { return m_error; }
    // What was left out without failing: torn last lines, days that do not continue the survey.
    const QStringList& notices() const { return m_notices; }
    // Progress: bytes read of the files' sizes so far found.
    qint64 bytesRead() const { return m_bytesRead; }
    qint64 bytesTotal() const { return m_bytesTotal; }

    const trend::TrendStore& store() const { return m_store; }
    const std::vector<SurveyEvent>& events() const { return m_events; }
    SurveySummary summary() const;

private:
    struct Part
    {
        QString path;
        bool followingDay = false; // found by name: kept only where it continues the survey
        QDate day;                 // the date in its name, for a following day
        std::optional<qint64> firstMs;
    };
    class Filler;
    friend class Filler;

    bool startPart();
    bool endPart();
    void endGap(qint64 ms);
    bool fail(const QString& message);

    QStringList m_given;
    std::vector<Part> m_parts;
    std::size_t m_next = 0;
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<datalog::LogReader> m_reader;
    std::unique_ptr<Filler> m_filler;
    QByteArray m_buffer;

    trend::TrendStore m_store;
    std::vector<SurveyEvent> m_events;
    std::optional<std::size_t> m_openGap;
    SurveySummary m_summary;
    bool m_any = false; // a time was read
    bool m_done = false;
    qint64 m_bytesRead = 0;
    qint64 m_bytesTotal = 0;
    QString m_error;
    QStringList m_notices;
};

} // namespace korvane::survey
