// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTimeZone>
#include <QtGlobal>

#include <vector>

namespace korvane::trend {

// A value axis' ticks: first, first + step, ... up to the range's top.
struct ValueTicks
{
    double first = 0;
    double step = 1;
    int decimals = 0; // enough to tell neighbouring ticks apart, no more
};

// Ticks over [low, high] at a round step (1, 2, 2.5 or 5 × 10ⁿ): the smallest such step that
// cuts the range into at most `wanted` intervals.
ValueTicks valueTicks(double low, double high, int wanted);

// The shortest round time step (1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15, 30 min; 1, 3, 6, 12 h;
// 1 day, then whole days) at which labels `labelWidth` pixels wide do not touch when `spanMs`
// takes `width` pixels.
qint64 timeStep(qint64 spanMs, double width, double labelWidth);

// The ticks within [from, to] at round local times: a step of a day or less counts from each
// local midnight and stays on the clock across a change to or from summer time; longer steps
// fall on midnights.
std::vector<qint64> timeTicks(qint64 from, qint64 to, qint64 step, const QTimeZone& zone);

// A tick's label: the date at local midnight, else the time to the step's precision.
QString timeLabel(qint64 ms, qint64 step, const QTimeZone& zone);

// Whether a local midnight lies within (from, to]: then a time alone does not say when.
bool crossesMidnight(qint64 from, qint64 to, const QTimeZone& zone);

} // namespace korvane::trend
