// SPDX-License-Identifier: GPL-3.0-or-later
// bench_overviewcpu [SECONDS]: the Overview page over a meter session against the paced virtual
// meter in this process, polling twice a second. CPU of the session alone (page hidden), then
// with the page shown at the window's default tab size and at 1400x900. Runs headless on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/overviewpage.h"
#include "bench/eventwait.h"
#include "bench/procstats.h"
#include "bench/sessioncpu.h"
#include "platform/qtmeterdevices.h"
#include "session/metersession.h"
#include "sim/virtualmeter.h"

#include <QApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace korvane;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kDefaultSeconds = 30;
constexpr std::chrono::seconds kConnectTimeout{10};
constexpr std::chrono::seconds kFrameTimeout{3};
constexpr std::chrono::seconds kSettle{3};
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::chrono::seconds period(argc > 1 ? std::atoi(argv[1]) : kDefaultSeconds);
    if (period.count() < 1) {
        std::fprintf(stderr, "usage: %s [SECONDS]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    sim::MeterOptions options;
    options.linkPath = dir.filePath(QStringLiteral("meter"));
    options.pacing = true; // like the real meter on a 9600 baud line
    sim::VirtualMeter meter(options);
    QString error;
    if (!meter.start(&error)) {
        std::fprintf(stderr, "the virtual meter could not start: %s\n", qPrintable(error));
        return 1;
    }
    session::MeterSession session(platform::qtMeterDevices({options.linkPath}));
    app::OverviewPage page(session);
    session.start();
    if (!bench::waitForSignal(&session, &session::MeterSession::pollingStarted, kConnectTimeout) ||
        !bench::waitForSignal(&session, &session::MeterSession::readingReceived, kFrameTimeout)) {
        std::fprintf(stderr, "no live frames from the virtual meter\n");
        return 1;
    }
    bench::printSessionCpu(session, period, "session polling, page hidden");
    page.resize(553, 495);
    page.show();
    // Loading the fonts and the first glyphs of each size is start-up, not polling.
    bench::runEventLoopFor(kSettle);
    bench::printSessionCpu(session, period, "Overview page shown at 553x495");
    page.resize(1400, 900);
    bench::runEventLoopFor(kSettle);
    bench::printSessionCpu(session, period, "Overview page shown at 1400x900");
    return 0;
}
