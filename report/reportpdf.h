// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "report/report.h"
#include "trend/trendstore.h"

#include <QByteArray>
#include <QString>

namespace korvane::report {

// The report as an A4 PDF: the title block, the statistics, the supply quality with its method,
// energy and cost, the alarm events (the first kMaxAlarmsListed, then how many more) and plots of
// the voltages, currents, powers, power factors and frequency from the store's decimation (the
// columns' means as lines over their min-max bands, broken at gaps). Needs a QGuiApplication
// (the offscreen platform will do) for its fonts. Empty with `error` set when it cannot be made.
QByteArray pdfBytes(const Report& report, const trend::TrendStore& store, QString* error = nullptr);

// The same written whole or not at all: empty, or why the file could not be written.
QString writePdf(const QString& path, const Report& report, const trend::TrendStore& store);

constexpr int kMaxAlarmsListed = 50;

} // namespace korvane::report
