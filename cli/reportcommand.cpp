// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/reportcommand.h"

#include "cli/clisession.h"
#include "datalog/fields.h"
#include "export/atomicfile.h"
#include "report/reportpdf.h"
#include "survey/survey.h"

#include <QDir>

#include <cstdio>

namespace korvane::cli {

namespace {
void say(const QString& text)
{
    printLine(stderr, QStringLiteral("korvane-cli: ") + text);
}
} // namespace

int runReport(const ReportRequest& request)
{
    survey::Survey survey(request.logs);
    const bool read = survey.open() && survey.readAll();
    for (const QString& notice : survey.notices())
        say(notice);
    if (!read) {
        say(survey.error());
        return kExitLogUnreadable;
    }
    const survey::SurveySummary summary = survey.summary();
    if (summary.frames == 0) {
        say(QStringLiteral("%1 holds no readings to report on").arg(request.logs.join(u' ')));
        return kExitLogUnreadable;
    }
    const report::Report report = report::computeReport(survey, request.options);
    if (report.frames == 0) {
        say(QStringLiteral("no readings between %1 and %2: the log runs from %3 to %4")
                .arg(datalog::isoTimeWithOffset(report.fromMs),
                     datalog::isoTimeWithOffset(report.toMs),
                     datalog::isoTimeWithOffset(summary.firstMs),
                     datalog::isoTimeWithOffset(summary.lastMs)));
        return kExitUsage;
    }

    QByteArray bytes;
    if (request.csv) {
        bytes = report::statisticsCsv(report);
        if (request.out.isEmpty()) {
            if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) !=
                    std::size_t(bytes.size()) ||
                std::fflush(stdout) != 0) {
                say(QStringLiteral("cannot write to standard output"));
                return kExitSaveFailed;
            }
            return kExitDone;
        }
    } else {
        QString error;
        bytes = report::pdfBytes(report, survey.store(), &error);
        if (bytes.isEmpty()) {
            say(QStringLiteral("cannot make the PDF: %1").arg(error));
            return kExitSaveFailed;
        }
    }
    const exporting::SaveResult saved = exporting::writeFileAtomically(request.out, bytes);
    if (!saved.ok) {
        say(saved.message());
        return kExitSaveFailed;
    }
    say(QStringLiteral("report written to %1").arg(QDir::toNativeSeparators(request.out)));
    return kExitDone;
}

} // namespace korvane::cli
