// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/quantity.h"

#include <QByteArray>
#include <QString>

namespace korvane::datalog {

// Local time in ISO 8601 with milliseconds and the UTC offset: "2026-12-07T10:15:02.250+01:00",
// "+00:00" for UTC.
QString isoTimeWithOffset(qint64 ms);
QByteArray isoTimeBytes(qint64 ms);

// A key with its unit as a column heading: "U1 [V]", or the bare name for a plain number.
QString columnHeading(measure::Key key);

// The shortest fixed-point text that reads back to the same number (230.5, not 230.50000001),
// with the decimal separator given. Never called with NaN or infinity.
void appendNumber(QByteArray& out, double value, char decimalPoint = '.');
void appendNumber(QByteArray& out, float value, char decimalPoint = '.');

// A CSV cell: quoted, with quotes doubled, when it holds the separator, a quote or a line break.
void appendCsvField(QByteArray& out, QByteArrayView field, char separator);

// A JSON string literal, quotes included.
void appendJsonString(QByteArray& out, QByteArrayView utf8);

} // namespace korvane::datalog
