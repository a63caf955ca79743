// SPDX-License-Identifier: GPL-3.0-or-later
// bench_windowfootprint [IDLE_SECONDS] [RECORDS]: the real window against the virtual meter in
// this process. Resident memory after start, CPU while linked and polling twice a second, then a
// download of RECORDS records into the grid and the resident memory after it. Runs headless on
// the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/mainwindow.h"
#include "bench/eventwait.h"
#include "bench/procstats.h"
#include "bench/sessioncpu.h"
#include "fakes/fakemessageboxes.h"
#include "fakes/fakesavedialog.h"
#include "fakes/fakewindowcapture.h"
#include "platform/qtmeterdevices.h"
#include "sim/virtualmeter.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

using namespace korvane;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kDefaultIdleSeconds = 30;
constexpr int kDefaultRecords = 65535;
constexpr std::chrono::seconds kConnectTimeout{10};
// Losing the old meter (four silent supervision ticks) and one whole search cycle.
constexpr std::chrono::seconds kReconnectTimeout{20};
constexpr std::chrono::seconds kFrameTimeout{3};
constexpr std::chrono::seconds kSettle{1};

// The window as korvane composes it, with the dialogs recorded rather than shown.
struct Program
{
    explicit Program(const QString& device) : session(platform::qtMeterDevices({device})) {}

    session::MeterSession session;
    fakes::FakeMessageBoxes messages;
    fakes::FakeSaveDialog saveDialog;
    fakes::FakeWindowCapture capture;
    app::MainWindow window{{session, messages, saveDialog, capture}};
};

std::unique_ptr<sim::VirtualMeter> startMeter(const QString& linkPath, bool pacing, int records)
{
    sim::MeterOptions options;
    options.linkPath = linkPath;
    options.pacing = pacing;
    options.recordCount = records;
    auto meter = std::make_unique<sim::VirtualMeter>(options);
    QString error;
    if (!meter->start(&error)) {
        std::fprintf(stderr, "the virtual meter could not start: %s\n", qPrintable(error));
        return nullptr;
    }
    return meter;
}

void printResident(const char* when)
{
    std::printf("resident %-34s %7.1f MiB (peak so far %.1f MiB)\n", when,
                bench::mebibytes(bench::residentBytes()),
                bench::mebibytes(bench::peakResidentBytes()));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::chrono::seconds idle(argc > 1 ? std::atoi(argv[1]) : kDefaultIdleSeconds);
    const int records = argc > 2 ? std::atoi(argv[2]) : kDefaultRecords;
    if (idle.count() < 1 || records < 1 || records > 65535) {
        std::fprintf(stderr, "usage: %s [IDLE_SECONDS] [RECORDS]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const QString linkPath = dir.filePath(QStringLiteral("meter"));

    // A paced meter, like the real one on a 9600 baud line, while the window idles.
    auto meter = startMeter(linkPath, true, records);
    if (!meter)
        return 1;
    Program program(linkPath);
    session::MeterSession& meterLink = program.session;
    program.window.show();
    bench::runEventLoopFor(std::chrono::milliseconds(100));
    printResident("after show");
    if (!bench::waitForSignal(&meterLink, &session::MeterSession::pollingStarted,
                              kConnectTimeout)) {
        std::fprintf(stderr, "the window did not connect to the virtual meter\n");
        return 1;
    }
    for (int i = 0; i < 2; ++i) {
        if (!bench::waitForSignal(&meterLink, &session::MeterSession::readingReceived,
                                  kFrameTimeout)) {
            std::fprintf(stderr, "no live frame shown\n");
            return 1;
        }
    }
    printResident("linked, live frames shown");
    bench::printSessionCpu(program.session, idle, "linked, Realtime tab, polling");
    program.window.tabs->setCurrentIndex(app::MainWindow::kTrendTab);
    bench::printSessionCpu(program.session, idle, "linked, Trend tab, polling");
    program.window.tabs->setCurrentIndex(app::MainWindow::kOverviewTab);
    bench::printSessionCpu(program.session, idle, "linked, Overview tab, polling");
    program.window.tabs->setCurrentIndex(app::MainWindow::kRealtimeTab);

    // The download runs against an unpaced meter: at 960 bytes/s 65535 records take 23 minutes.
    meter.reset();
    meter = startMeter(linkPath, false, records);
    if (!meter)
        return 1;
    if (!bench::waitForSignal(&meterLink, &session::MeterSession::pollingStarted,
                              kReconnectTimeout)) {
        std::fprintf(stderr, "the window did not find the meter again\n");
        return 1;
    }
    program.window.tabs->setCurrentIndex(1);
    // As a person would: Read is pressed a while after the tab changed, not while the last live
    // frame is still on its way.
    bench::runEventLoopFor(kSettle);

    std::optional<Clock::time_point> dumpSent;
    std::optional<link::DownloadResult> result;
    QObject::connect(meter.get(), &sim::VirtualMeter::answerFinished, [&](quint8 code) {
        if (code == sim::kCommandDump)
            dumpSent = Clock::now();
    });
    QObject::connect(&meterLink, &session::MeterSession::downloadEnded,
                     [&](const link::DownloadResult& r) { result = r; });
    const auto pressed = Clock::now();
    program.window.readButton->click();
    if (!bench::waitForSignal(&meterLink, &session::MeterSession::downloadEnded,
                              std::chrono::seconds(60))) {
        std::fprintf(stderr, "the download did not end\n");
        return 1;
    }
    const auto filled = Clock::now();
    const int rows = program.session.records().rowCount();
    if (result->outcome != link::DownloadResult::Outcome::Complete || result->received != records ||
        rows != 2 * records || !dumpSent) {
        std::fprintf(stderr,
                     "the download was not complete (outcome %d): %d of %d records, %d rows\n",
                     int(result->outcome), result->received, records, rows);
        return 1;
    }
    std::printf("download of %d records (unpaced): Read to grid filled %.0f ms, "
                "last byte to grid filled %.1f ms\n",
                records, std::chrono::duration<double, std::milli>(filled - pressed).count(),
                std::chrono::duration<double, std::milli>(filled - *dumpSent).count());
    bench::runEventLoopFor(kSettle);
    printResident("after the download, Record tab");
    bench::printSessionCpu(program.session, idle, "linked, Record tab, full grid");
    if (!program.messages.shown.isEmpty()) {
        std::fprintf(stderr, "the window showed a message: %s\n",
                     qPrintable(program.messages.shown.join(u'\n')));
        return 1;
    }
    return 0;
}
