// SPDX-License-Identifier: GPL-3.0-or-later
// bench_logsurvey [DAYS]: a log of live frames at two a second over DAYS days (7 unless given),
// written with the real CSV format, then opened as a survey into a trend store in a process of
// its own, so its time and peak resident memory are the reading's alone. Also how long until
// the first piece, and the first seventh, is in the store (what a window can show while the rest
// is read).
#include "bench/procstats.h"
#include "bench/weeklog.h"
#include "survey/survey.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace korvane;

namespace {
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int readLog(const QString& path)
{
    const std::size_t rss0 = bench::residentBytes();
    const auto start = Clock::now();
    survey::Survey survey({path});
    if (!survey.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(survey.error()));
        return 1;
    }
    // The window's piece: a megabyte between two redraws.
    constexpr qint64 kPiece = 1 << 20;
    survey.readSome(kPiece);
    const double firstPiece = msSince(start);
    double firstSeventh = 0;
    while (survey.readSome(kPiece)) {
        if (firstSeventh == 0 && survey.bytesRead() * 7 >= survey.bytesTotal())
            firstSeventh = msSince(start);
    }
    const double all = msSince(start);
    if (survey.failed()) {
        std::fprintf(stderr, "%s\n", qPrintable(survey.error()));
        return 1;
    }
    const survey::SurveySummary summary = survey.summary();
    std::printf("first piece (1 MiB) shown  %.1f ms\n", firstPiece);
    std::printf("first seventh read         %.0f ms\n", firstSeventh);
    std::printf("whole log read             %.0f ms\n", all);
    std::printf("frames, gaps               %lld, %d (%.0f s)\n",
                static_cast<long long>(summary.frames), summary.gaps,
                double(summary.gapMs) / 1000.0);
    std::printf("trend store                %.1f MiB\n",
                bench::mebibytes(survey.store().memoryBytes()));
    std::printf("resident before, peak      %.1f MiB, %.1f MiB\n", bench::mebibytes(rss0),
                bench::mebibytes(bench::peakResidentBytes()));
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::string_view(argv[1]) == "--read")
        return readLog(QString::fromLocal8Bit(argv[2]));
    const int days = argc > 1 ? std::atoi(argv[1]) : 7;
    if (days < 1 || days > 31 || argc > 2) {
        std::fprintf(stderr, "usage: %s [DAYS]   (1..31, 7 unless given)\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("week.csv"));
    const auto start = Clock::now();
    if (!dir.isValid() || !bench::writeWeekLog(path, days)) {
        std::fprintf(stderr, "cannot write the log in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("written in                 %.0f ms\n", msSince(start));
    std::fflush(stdout);
    // A process of its own: the peak resident size is the reading's, not the writing's.
    return QProcess::execute(QCoreApplication::applicationFilePath(), {"--read", path});
}
