// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "report/report.h"

#include <QString>
#include <QStringList>

namespace korvane::cli {

// What `korvane-cli report` was asked for, its options already checked.
struct ReportRequest
{
    QStringList logs;
    QString out; // empty: the CSV table to stdout
    bool csv = false;
    report::ReportOptions options;
};

// Reads the logs as one survey and writes the report; says on stderr what was left out, what
// failed and where the report went. Returns the exit code.
int runReport(const ReportRequest& request);

} // namespace korvane::cli
