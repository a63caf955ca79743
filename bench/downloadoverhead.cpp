// SPDX-License-Identifier: GPL-3.0-or-later
// bench_downloadoverhead [RECORDS] [PACED_RUNS] [UNPACED_RUNS]: what the program adds to a
// download, over a real pseudo-terminal against the virtual meter in this process. From the
// meter finishing the count answer to the link reporting the table filled, less the program's
// fixed delay before the dump request and less the meter's own time on the dump (from reading
// the request to writing the last byte). What is left: timer lateness, the request's way to the
// meter, the dump's way back, reading it and decoding it into the table.
#include "bench/eventwait.h"
#include "bench/headlessprogram.h"
#include "bench/samples.h"
#include "platform/timer.h"
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
constexpr int kDefaultRecords = 1638;
constexpr int kDefaultPacedRuns = 3;
constexpr int kDefaultUnpacedRuns = 10;
constexpr std::chrono::seconds kConnectTimeout{10};
constexpr std::chrono::milliseconds kBetweenRuns{250};
// The program waits one timer period between the count answer and the dump request.
constexpr std::chrono::milliseconds kDumpRequestDelay = platform::kTickPeriod;

double millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Run
{
    double overhead;   // ms
    double beforeDump; // count answer to dump request, beyond the fixed delay, ms
    double afterDump;  // last dump byte to table filled, ms
    double sending;    // the meter's time on the dump, ms
};

struct Times
{
    std::optional<Clock::time_point> countAnswered, dumpRequested, dumpSent, tableFilled;
};

std::optional<std::vector<Run>> measureDownloads(bool pacing, int records, int runs)
{
    sim::MeterOptions options;
    options.pacing = pacing;
    options.recordCount = records;
    sim::VirtualMeter meter(options);
    QString error;
    if (!meter.start(&error)) {
        std::fprintf(stderr, "the virtual meter could not start: %s\n", qPrintable(error));
        return std::nullopt;
    }
    bench::HeadlessProgram program(meter.devicePath(), link::Polling::KeepAlive);

    Times t;
    std::optional<link::DownloadResult> result;
    QObject::connect(&meter, &sim::VirtualMeter::answerFinished, [&](quint8 code) {
        if (code == sim::kCommandCount)
            t.countAnswered = Clock::now();
        else if (code == sim::kCommandDump)
            t.dumpSent = Clock::now();
    });
    QObject::connect(&meter, &sim::VirtualMeter::commandReceived, [&](quint8 code) {
        if (code == sim::kCommandDump)
            t.dumpRequested = Clock::now();
    });
    QObject::connect(&program.session(), &session::MeterSession::downloadEnded,
                     [&](const link::DownloadResult& r) {
                         t.tableFilled = Clock::now();
                         result = r;
                     });

    program.start();
    if (!bench::waitForSignal(&program.session(), &session::MeterSession::pollingStarted,
                              kConnectTimeout)) {
        std::fprintf(stderr, "the program did not connect to the virtual meter\n");
        return std::nullopt;
    }
    const auto dumpTimeout = std::chrono::seconds(10 + records * 20 / 960);
    std::vector<Run> measured;
    for (int i = 0; i < runs; ++i) {
        bench::runEventLoopFor(kBetweenRuns);
        t = {};
        result.reset();
        program.session().readRecords();
        if (!bench::waitForSignal(&program.session(), &session::MeterSession::downloadEnded,
                                  dumpTimeout)) {
            std::fprintf(stderr, "the download did not end\n");
            return std::nullopt;
        }
        if (result->outcome != link::DownloadResult::Outcome::Complete ||
            result->received != records || !t.countAnswered || !t.dumpRequested || !t.dumpSent) {
            std::fprintf(stderr, "the download was not complete: %d of %d records\n",
                         result->received, result->count);
            return std::nullopt;
        }
        const double total = millis(*t.tableFilled - *t.countAnswered);
        const double sending = millis(*t.dumpSent - *t.dumpRequested);
        const double delay = std::chrono::duration<double, std::milli>(kDumpRequestDelay).count();
        measured.push_back({total - delay - sending,
                            millis(*t.dumpRequested - *t.countAnswered) - delay,
                            millis(*t.tableFilled - *t.dumpSent), sending});
    }
    return measured;
}

int argOr(int argc, char* argv[], int index, int fallback)
{
    return argc > index ? std::atoi(argv[index]) : fallback;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argOr(argc, argv, 1, kDefaultRecords);
    const int pacedRuns = argOr(argc, argv, 2, kDefaultPacedRuns);
    const int unpacedRuns = argOr(argc, argv, 3, kDefaultUnpacedRuns);
    if (records < 1 || records > 65535 || pacedRuns < 0 || unpacedRuns < 0) {
        std::fprintf(stderr, "usage: %s [RECORDS] [PACED_RUNS] [UNPACED_RUNS]\n", argv[0]);
        return 2;
    }
    std::printf("%d records; medians over the runs, overhead also as max\n", records);
    std::printf("%-7s %5s %13s %13s %16s %16s %11s\n", "pacing", "runs", "overhead ms", "max ms",
                "before dump ms", "after dump ms", "sending ms");
    for (const bool pacing : {true, false}) {
        const int runs = pacing ? pacedRuns : unpacedRuns;
        if (runs == 0)
            continue;
        const auto measured = measureDownloads(pacing, records, runs);
        if (!measured)
            return 1;
        std::vector<double> overhead, before, after, sending;
        for (const Run& r : *measured) {
            overhead.push_back(r.overhead);
            before.push_back(r.beforeDump);
            after.push_back(r.afterDump);
            sending.push_back(r.sending);
        }
        const bench::Summary o = bench::summarize(overhead);
        std::printf("%-7s %5zu %13.2f %13.2f %16.2f %16.2f %11.1f\n", pacing ? "on" : "off",
                    o.count, o.median, o.max, bench::summarize(before).median,
                    bench::summarize(after).median, bench::summarize(sending).median);
        std::fflush(stdout);
    }
    return 0;
}
