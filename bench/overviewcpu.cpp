// SPDX-License-Identifier: GPL-3.0-or-later
// bench_overviewcpu [SECONDS]: the Overview page over a meter session against the paced virtual
// meter in this process, polling twice a second. CPU of the session alone (page hidden), then
// with the page shown at the window's default tab size and at 1400x900. Runs headless on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/overviewpage.h"
#include "bench/eventwait.h"
#include "bench/procstats.h"
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

// CPU over the period as a share of one core, with the live frames received meanwhile.
void measureCpu(session::MeterSession& session, std::chrono::seconds period, const char* what)
{
    int frames = 0;
    const auto counter =
        QObject::connect(&session, &session::MeterSession::readingReceived, [&] { ++frames; });
    const auto cpu0 = bench::cpuTime();
    const auto wall0 = Clock::now();
    bench::runEventLoopFor(period);
    const auto cpu = bench::cpuTime() - cpu0;
    const auto wall = Clock::now() - wall0;
    QObject::disconnect(counter);
    const double share = 100.0 * std::chrono::duration<double>(cpu).count() /
                         std::chrono::duration<double>(wall).count();
    std::printf("cpu %-36s %7.2f %% of one core (%.0f ms in %.1f s, %d live frames)\n", what, share,
                std::chrono::duration<double, std::milli>(cpu).count(),
                std::chrono::duration<double>(wall).count(), frames);
    std::fflush(stdout);
}
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
    measureCpu(session, period, "session polling, page hidden");
    page.resize(553, 495);
    page.show();
    // Loading the fonts and the first glyphs of each size is start-up, not polling.
    bench::runEventLoopFor(kSettle);
    measureCpu(session, period, "Overview page shown at 553x495");
    page.resize(1400, 900);
    bench::runEventLoopFor(kSettle);
    measureCpu(session, period, "Overview page shown at 1400x900");
    return 0;
}
