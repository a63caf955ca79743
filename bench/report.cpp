// SPDX-License-Identifier: GPL-3.0-or-later
// bench_report [DAYS] [RUNS]: the survey report of a log of live frames at two a second over
// DAYS days (7 unless given), written as bench_logsurvey writes it, made by `korvane-cli report`
// as a user runs it: the whole program, reading the log, the numbers and the PDF. Twice: the
// virtual meter's frames as they come (level lines) and with a random part in a thousand in
// every value (no level stretch, the largest PDF). Prints each run's time, the PDF's size, and
// the CSV table's time, and the largest resident size a run reached.
#include "bench/weeklog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <sys/resource.h>

using namespace korvane;

namespace {
const QString kCli = QStringLiteral(KORVANE_CLI);

// Milliseconds the run took, or -1 when it failed (said on stderr).
double timeReport(const QStringList& args)
{
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    cli.start(kCli, args);
    if (!cli.waitForFinished(120'000) || cli.exitStatus() != QProcess::NormalExit ||
        cli.exitCode() != 0) {
        std::fprintf(stderr, "korvane-cli report failed: %s\n", qPrintable(cli.errorString()));
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int days = argc > 1 ? std::atoi(argv[1]) : 7;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (days < 1 || days > 31 || runs < 1 || runs > 20 || argc > 3) {
        std::fprintf(stderr, "usage: %s [DAYS] [RUNS]   (1..31 days, 7 unless given; 3 runs)\n",
                     argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    for (const bool noisy : {false, true}) {
        const QString log =
            dir.filePath(noisy ? QStringLiteral("noisy.csv") : QStringLiteral("week.csv"));
        if (!bench::writeWeekLog(log, days, noisy)) {
            std::fprintf(stderr, "cannot write the log in %s\n", qPrintable(dir.path()));
            return 1;
        }
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        std::vector<double> pdfMs, csvMs, partMs;
        for (int run = 0; run < runs; ++run) {
            pdfMs.push_back(timeReport({"report", log, "--out", pdf}));
            csvMs.push_back(timeReport({"report", log, "--format", "csv", "--out", pdf + ".csv"}));
            // Frames in part of a log are counted from the samples' times, not taken as read.
            partMs.push_back(timeReport({"report", log, "--out", pdf + ".part.pdf", "--from",
                                         "2026-12-02T00:00", "--to", "2026-12-03T00:00"}));
            if (pdfMs.back() < 0 || csvMs.back() < 0 || partMs.back() < 0)
                return 1;
        }
        std::printf("%s\n",
                    noisy ? "values with a random part in a thousand" : "the meter's frames");
        std::printf("  report as PDF              ");
        for (double ms : pdfMs)
            std::printf("%.0f ms  ", ms);
        std::printf("(median %.0f ms)\n", median(pdfMs));
        std::printf("  a day of it as PDF         ");
        for (double ms : partMs)
            std::printf("%.0f ms  ", ms);
        std::printf("(median %.0f ms)\n", median(partMs));
        std::printf("  statistics as CSV          ");
        for (double ms : csvMs)
            std::printf("%.0f ms  ", ms);
        std::printf("(median %.0f ms)\n", median(csvMs));
        std::printf("  PDF size                   %.1f KiB\n",
                    double(QFileInfo(pdf).size()) / 1024);
        // The largest of the runs so far: the children's peak as the kernel keeps it.
        rusage children{};
        getrusage(RUSAGE_CHILDREN, &children);
        std::printf("  peak resident of a run     %.1f MiB\n", double(children.ru_maxrss) / 1024);
        std::fflush(stdout);
        // To look at the reports: KORVANE_BENCH_KEEP=FOLDER.
        if (const QString keep = qEnvironmentVariable("KORVANE_BENCH_KEEP"); !keep.isEmpty()) {
            const QString kept =
                QStringLiteral("%1/report-%2.pdf").arg(keep, noisy ? "noisy" : "plain");
            QFile::remove(kept);
            QFile::copy(pdf, kept);
        }
    }
    return 0;
}
