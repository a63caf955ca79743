// SPDX-License-Identifier: GPL-3.0-or-later
// bench_logwindow [DAYS]: a log of live frames at two a second over DAYS days (7 unless given),
// as bench_logsurvey writes it, opened in the window's log window in a process of its own (so the
// peak resident memory is the window's with the log): how long until the first picture with
// lines in it is drawn, until the whole log is read and drawn, and the peak resident memory.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/logwindow.h"
#include "app/trendview.h"
#include "bench/procstats.h"
#include "bench/weeklog.h"
#include "fakes/fakemessageboxes.h"
#include "fakes/fakesavedialog.h"
#include "survey/survey.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace korvane;

namespace {
int openLog(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::size_t rss0 = bench::residentBytes();
    fakes::FakeSaveDialog saveDialog;
    fakes::FakeMessageBoxes messages;
    QElapsedTimer clock;
    clock.start();
    auto* window = new app::LogWindow({QString::fromLocal8Bit(argv[2])}, saveDialog, messages);
    qint64 firstPicture = -1;
    qint64 read = -1;
    QObject::connect(window->view, &app::TrendView::redrawn, window, [&] {
        const auto statistics = window->view->spanStatistics();
        if (firstPicture < 0 && !statistics.empty() && statistics.front().count > 0)
            firstPicture = clock.elapsed();
    });
    // Not app.quit(): that closes every window, and this one is deleted on close.
    QEventLoop loop;
    QObject::connect(window, &app::LogWindow::finishedReading, window, [&] {
        read = clock.elapsed();
        loop.quit();
    });
    if (!window->open()) {
        std::fprintf(stderr, "%s\n", qPrintable(window->error()));
        return 1;
    }
    window->show();
    loop.exec();
    if (window->survey().failed()) {
        std::fprintf(stderr, "%s\n", qPrintable(window->survey().error()));
        return 1;
    }
    std::printf("first picture with lines   %lld ms\n", static_cast<long long>(firstPicture));
    std::printf("whole log read and drawn   %lld ms\n", static_cast<long long>(read));
    std::printf("resident before, peak      %.1f MiB, %.1f MiB\n", bench::mebibytes(rss0),
                bench::mebibytes(bench::peakResidentBytes()));
    delete window;
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::string_view(argv[1]) == "--open")
        return openLog(argc, argv);
    QCoreApplication app(argc, argv);
    const int days = argc > 1 ? std::atoi(argv[1]) : 7;
    if (days < 1 || days > 31 || argc > 2) {
        std::fprintf(stderr, "usage: %s [DAYS]   (1..31, 7 unless given)\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("week.csv"));
    if (!dir.isValid() || !bench::writeWeekLog(path, days)) {
        std::fprintf(stderr, "cannot write the log in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::fflush(stdout);
    return QProcess::execute(QCoreApplication::applicationFilePath(), {"--open", path});
}
