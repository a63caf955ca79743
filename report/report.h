// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "survey/survey.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace korvane::report {

// What a report covers and against what it judges the supply.
struct ReportOptions
{
    std::optional<qint64> fromMs; // the survey's first time unless given
    std::optional<qint64> toMs;   // excluded; just after the survey's last time unless given
    double nominalVoltage = 230;  // phase to neutral, V
    double nominalFrequency = 50; // Hz
    QString title;                // "Survey report" when empty
};

// One quantity's samples in the period. The mean is arithmetic (circular for angles); the
// percentiles interpolate linearly between the two nearest ranks.
struct QuantityStats
{
    QString name; // "U1", or a derived quantity's name ("E", "cost")
    QString unit; // "V"; empty for a plain number
    qint64 count = 0;
    double min = 0;
    double mean = 0;
    double max = 0;
    double p5 = 0;
    double p95 = 0;
};

// The share of 10-minute mean voltages of one phase within ±10 % of nominal.
struct PhaseVoltageQuality
{
    QString name;    // "U1"
    int windows = 0; // 10-minute windows of the clock that held samples of this phase
    int within = 0;
    double lowestMean = 0;
    double highestMean = 0;
};

struct SupplyQuality
{
    std::array<PhaseVoltageQuality, 3> voltages;
    int frequencyWindows = 0; // 10-second windows that held samples of F
    int frequencyWithin = 0;  // their mean within ±1 % of the nominal frequency
    double lowestFrequency = 0;
    double highestFrequency = 0;
    // Unbalance, in percent: the largest deviation of U1, U2, U3 from their mean over the mean,
    // at each frame time where all three are known within a few seconds.
    qint64 unbalanceSamples = 0;
    double unbalanceP95 = 0;
    double unbalanceMax = 0;
};

// What a counter the program derived (E1..E, cost) added over the period: the sum of its
// increments. A decrease is a Reset: the count began again from zero, so the value after it is
// what was added since.
struct CounterTotal
{
    QString name;
    QString unit;
    double added = 0;
    std::vector<qint64> resets; // when each Reset showed (the first sample after it)
};

struct Report
{
    QString title;
    double nominalVoltage = 230;
    double nominalFrequency = 50;
    qint64 fromMs = 0;
    qint64 toMs = 0; // excluded
    QString meter;   // the device the log says the meter was found on
    QStringList files;
    qint64 frames = 0;
    int gaps = 0;                          // gaps that overlap the period
    qint64 gapMs = 0;                      // their time within it
    std::vector<QuantityStats> statistics; // the meter's quantities in key order, then derived ones
    SupplyQuality quality;
    std::vector<CounterTotal> counters;
    std::vector<survey::SurveyEvent> alarms; // raised and cleared in the period, in time order
    int otherEvents = 0;                     // notes in the period such as energy gaps
};

// The report's numbers over [from, to) of a survey read to its end.
Report computeReport(const survey::Survey& survey, const ReportOptions& options);

// The statistics table as CSV: quantity, unit, count, min, mean, max, p5, p95; comma and decimal
// point, a heading row, CR LF.
QByteArray statisticsCsv(const Report& report);

// A time as a user gives it, in ISO 8601: "2026-12-07T10:15", with seconds and milliseconds,
// a space for the T, or a date alone (its midnight); local time unless an offset ("Z",
// "+01:00") is given. None when it does not read or names a local time that does not exist.
std::optional<qint64> parseTime(const QString& text);

// How the numbers were found, in words, for the report's reader.
QString methodText(const Report& report);

} // namespace korvane::report
