// SPDX-License-Identifier: GPL-3.0-or-later
// bench_livelatency [FRAMES]: from the virtual meter writing a live frame's last byte to the
// program having set the texts, over a real pseudo-terminal, with the meter's pacing on and off.
// Meter and program share this process and its event loop, as in korvane --demo.
#include "bench/eventwait.h"
#include "bench/headlessprogram.h"
#include "bench/samples.h"
#include "sim/virtualmeter.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace korvane;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kDefaultFrames = 42; // six rounds of the meter's seven kinds of frame
constexpr int kWarmUpFrames = 2;
constexpr std::chrono::seconds kConnectTimeout{10};
constexpr std::chrono::seconds kFrameTimeout{3};

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// Latencies in microseconds, or nothing when the meter or the link failed.
std::optional<std::vector<double>> measureLatencies(bool pacing, int frames)
{
    sim::MeterOptions options;
    options.pacing = pacing;
    sim::VirtualMeter meter(options);
    QString error;
    if (!meter.start(&error)) {
        std::fprintf(stderr, "the virtual meter could not start: %s\n", qPrintable(error));
        return std::nullopt;
    }
    bench::HeadlessProgram program(meter.devicePath(), link::Polling::LiveFrames);

    std::optional<Clock::time_point> lastByte;
    std::vector<double> latencies;
    int unmatched = 0;
    int seen = 0;
    QObject::connect(&meter, &sim::VirtualMeter::answerFinished, [&](quint8 code) {
        if (code == sim::kCommandLive)
            lastByte = Clock::now();
    });
    QObject::connect(&program.session(), &session::MeterSession::readingReceived, [&] {
        const auto shown = Clock::now();
        if (!lastByte) {
            ++unmatched;
            return;
        }
        if (++seen > kWarmUpFrames)
            latencies.push_back(micros(shown - *lastByte));
        lastByte.reset();
    });

    program.start();
    if (!bench::waitForSignal(&program.session(), &session::MeterSession::pollingStarted,
                              kConnectTimeout)) {
        std::fprintf(stderr, "the program did not connect to the virtual meter\n");
        return std::nullopt;
    }
    while (int(latencies.size()) < frames) {
        if (!bench::waitForSignal(&program.session(), &session::MeterSession::readingReceived,
                                  kFrameTimeout)) {
            std::fprintf(stderr, "no live frame for %lld s\n",
                         static_cast<long long>(kFrameTimeout.count()));
            return std::nullopt;
        }
    }
    if (unmatched > 0) {
        std::fprintf(stderr, "%d frames were shown without the meter having sent one\n", unmatched);
        return std::nullopt;
    }
    return latencies;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::atoi(argv[1]) : kDefaultFrames;
    if (frames < 1) {
        std::fprintf(stderr, "usage: %s [FRAMES]\n", argv[0]);
        return 2;
    }
    std::printf("%-8s %7s %12s %12s %12s %12s\n", "pacing", "frames", "median ms", "p99 ms",
                "min ms", "max ms");
    for (const bool pacing : {true, false}) {
        const auto latencies = measureLatencies(pacing, frames);
        if (!latencies)
            return 1;
        const bench::Summary s = bench::summarize(*latencies);
        std::printf("%-8s %7zu %12.3f %12.3f %12.3f %12.3f\n", pacing ? "on" : "off", s.count,
                    s.median / 1000, s.p99 / 1000, s.min / 1000, s.max / 1000);
        std::fflush(stdout);
    }
    return 0;
}
