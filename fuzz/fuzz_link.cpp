// SPDX-License-Identifier: GPL-3.0-or-later
// The link's receive path driven by a script: bytes from the meter, timer ticks, tab switches,
// logs started and stopped, Read presses and the answer to what a download costs, Cancel and
// Clear at any moment, ports that open or fail, devices pulled out. Input: [op byte][arguments]...
#include "fuzz/fuzzcheck.h"
#include "session/metersession.h"
#include "support/fakesession.h"

#include <algorithm>
#include <cstdio>

using namespace korvane;
using namespace korvane::fuzz;
using fakes::FakeSerialPort;
using fakes::FakeTimer;
using link::DownloadResult;
using OpenError = platform::SerialPort::OpenError;
using Outcome = DownloadResult::Outcome;

namespace {
constexpr int kOpenErrors = 5;
static_assert(int(OpenError::Other) + 1 == kOpenErrors, "every OpenError can be scripted");

// A meter session over fake devices.
struct Rig : korvane::testing::FakeSession
{
    link::Link& link = session.meterLink();
    records::RecordModel& model = session.records();
    QObject log; // a consumer of live readings
};

enum class Op : quint8 {
    Feed,         // [n][n bytes]
    FeedRepeated, // [k][n][n bytes]: the n bytes k + 1 times, for dumps of many records
    Fire,         // [timer]: one tick of the search, poll, supervision or dump-delay timer
    Tick,         // all four, in that order
    Tab,          // [tab]: bit 0 Record (else Real-time), bit 1 a log runs
    Read,         // Read pressed, which the window passes on only on the Record tab
    OpenResult,   // [port][result]: how opening COMn turns out from now on
    Unplug,       // the open device goes away
    Go,           // [go]: odd downloads once told what it costs, even cancels
    Cancel,       // [clear]: Cancel pressed at any moment; odd is Clear, which also empties
    Count
};

QString stateText(const Rig& rig)
{
    return QStringLiteral("silent ticks %1 next port %2 last command %3 records %4 rows %5")
        .arg(rig.link.silentTicks())
        .arg(rig.link.nextPort())
        .arg(rig.link.lastCommand())
        .arg(rig.link.recordCount())
        .arg(rig.model.rowCount());
}

void checkInvariants(const Rig& rig)
{
    KORVANE_FUZZ_CHECK(rig.link.silentTicks() >= 0 && rig.link.silentTicks() <= 4, stateText(rig));
    KORVANE_FUZZ_CHECK(rig.link.nextPort() >= 1 && rig.link.nextPort() <= 16, stateText(rig));
    const int rows = rig.model.rowCount();
    KORVANE_FUZZ_CHECK(rows >= 2 && rows % 2 == 0, stateText(rig));
    KORVANE_FUZZ_CHECK(rig.supervision.isActive(), "supervision stopped: " + stateText(rig));
    // While the link is down the search runs.
    KORVANE_FUZZ_CHECK(rig.link.isLinked() || rig.search.isActive(),
                       "no search: " + stateText(rig));
    // The dump request goes out only for a download under way.
    KORVANE_FUZZ_CHECK(!rig.dumpDelay.isActive() || rig.link.downloading(),
                       "stray dump request: " + stateText(rig));
    // Live frames pause only for a download or the drain of a stopped one, and only when they
    // are polled.
    KORVANE_FUZZ_CHECK(!rig.link.livePaused() || ((rig.link.downloading() || rig.link.draining()) &&
                                                  rig.link.polling() == link::Polling::LiveFrames),
                       "live frames paused for nothing: " + stateText(rig));
    // The table is made from the records kept, or reset when there are none.
    KORVANE_FUZZ_CHECK(rows == 2 * std::max<int>(1, int(rig.session.storedRecords().size())),
                       "table and records differ: " + stateText(rig));
    KORVANE_FUZZ_CHECK(!rig.session.liveReadingsHeld() ||
                           rig.link.polling() == link::Polling::LiveFrames,
                       "a log runs on keep-alives: " + stateText(rig));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    Rig rig;
    rig.link.start();

    // KORVANE_FUZZ_TRACE=1 prints the script as it runs, to read a crashing input.
    static const bool trace = qEnvironmentVariableIntValue("KORVANE_FUZZ_TRACE") != 0;
    const auto note = [&](const auto& describe) {
        if (trace)
            std::fprintf(stderr, "%s | %s\n", qPrintable(describe()), qPrintable(stateText(rig)));
    };

    bool recordTab = false; // the window polls for keep-alives only on the Record tab
    int requests = 0;       // count requests that went out
    int ended = 0;
    QObject::connect(&rig.link, &link::Link::downloadEnded, [&](const DownloadResult& result) {
        ++ended;
        note([&] { return QStringLiteral("download ended: outcome %1").arg(int(result.outcome)); });
        const QString text = QStringLiteral("outcome %1 received %2 count %3; %4")
                                 .arg(int(result.outcome))
                                 .arg(result.received)
                                 .arg(result.count)
                                 .arg(stateText(rig));
        KORVANE_FUZZ_CHECK(ended <= requests, "more ends than count requests: " + text);
        KORVANE_FUZZ_CHECK(!rig.link.downloading(), "ended while downloading: " + text);
        KORVANE_FUZZ_CHECK(result.received >= 0 && result.received <= result.count, text);
        KORVANE_FUZZ_CHECK(result.count == 0 || result.count == rig.link.recordCount(), text);
        switch (result.outcome) {
        case Outcome::Complete:
            KORVANE_FUZZ_CHECK(result.received == result.count, "complete but short: " + text);
            break;
        case Outcome::Incomplete:
            KORVANE_FUZZ_CHECK(result.count > 0, text);
            break;
        case Outcome::Cancelled:
            KORVANE_FUZZ_CHECK(result.received == 0, text);
            break;
        case Outcome::Stopped:
            KORVANE_FUZZ_CHECK(rig.link.draining(), "stopped without a drain: " + text);
            break;
        case Outcome::BadCount:
        case Outcome::NoCount:
            KORVANE_FUZZ_CHECK(result.received == 0 && result.count == 0, text);
            break;
        }
        // Decoded records fill the table; none leave it as it was, or reset for a count of 0.
        if (result.received > 0)
            KORVANE_FUZZ_CHECK(rig.model.rowCount() == 2 * result.received, text);
        if (result.outcome == Outcome::Complete && result.count == 0)
            KORVANE_FUZZ_CHECK(rig.model.rowCount() == 2, text);
    });

    checkInvariants(rig);
    while (!in.atEnd()) {
        switch (Op(in.byte() % quint8(Op::Count))) {
        case Op::Feed: {
            const QByteArray bytes = in.bytes(in.byte());
            note([&] {
                return QStringLiteral("feed %1").arg(QString::fromLatin1(bytes.toHex(' ')));
            });
            rig.port.feed(bytes);
            break;
        }
        case Op::FeedRepeated: {
            const int times = in.byte() + 1;
            const QByteArray piece = in.bytes(in.byte());
            note([&] {
                return QStringLiteral("feed %1 x %2")
                    .arg(QString::fromLatin1(piece.toHex(' ')))
                    .arg(times);
            });
            rig.port.feed(piece.repeated(times));
            break;
        }
        case Op::Fire: {
            FakeTimer* timers[] = {&rig.search, &rig.poll, &rig.supervision, &rig.dumpDelay};
            const int which = in.byte() % 4;
            note([&] { return QStringLiteral("fire %1").arg(which); });
            timers[which]->fire();
            break;
        }
        case Op::Tick: {
            note([&] { return QStringLiteral("tick"); });
            // A linked link that is not downloading, or waits for the go, polls the meter within
            // one tick.
            const bool mustPoll = rig.link.isLinked() && rig.port.isOpen() &&
                                  !rig.link.draining() &&
                                  (!rig.link.downloading() || rig.link.waitingForGo());
            const qsizetype before = rig.port.written().size();
            rig.search.fire();
            rig.poll.fire();
            const QByteArray sent = rig.port.written().mid(before);
            KORVANE_FUZZ_CHECK(!mustPoll || sent.contains(char(link::kHandshake)) ||
                                   sent.contains(char(link::kLive)),
                               "linked but not polled: " + stateText(rig));
            rig.supervision.fire();
            rig.dumpDelay.fire();
            break;
        }
        case Op::Tab: {
            const quint8 tab = in.byte();
            recordTab = tab % 2 != 0;
            rig.session.setPolling(recordTab ? link::Polling::KeepAlive
                                             : link::Polling::LiveFrames);
            if (tab & 2)
                rig.session.holdLiveReadings(&rig.log);
            else
                rig.session.releaseLiveReadings(&rig.log);
            note(
                [&] { return QStringLiteral("record tab %1 log %2").arg(recordTab).arg(tab & 2); });
            break;
        }
        case Op::Read:
            note([&] { return QStringLiteral("read"); });
            if (recordTab) {
                const bool goesOut = rig.port.isOpen() && rig.link.isLinked();
                const qsizetype before = rig.port.written().size();
                rig.link.readRecords();
                if (goesOut)
                    ++requests;
                KORVANE_FUZZ_CHECK(!goesOut || rig.link.downloading(), stateText(rig));
                KORVANE_FUZZ_CHECK(goesOut || rig.port.written().size() == before,
                                   "Read sent a request while the link was down: " +
                                       stateText(rig));
            }
            break;
        case Op::OpenResult: {
            const int n = 1 + in.byte() % 16;
            const auto result = OpenError(in.byte() % kOpenErrors);
            note([&] { return QStringLiteral("COM%1 opens with %2").arg(n).arg(int(result)); });
            rig.port.setOpenResult(n, result);
            break;
        }
        case Op::Unplug:
            note([&] { return QStringLiteral("unplug"); });
            rig.port.unplug();
            break;
        case Op::Go: {
            const bool go = in.byte() % 2 != 0;
            note([&] { return QStringLiteral("go %1").arg(go); });
            const bool waiting = rig.link.waitingForGo();
            const int endedBefore = ended;
            go ? rig.link.continueDownload() : rig.link.cancelDownload();
            KORVANE_FUZZ_CHECK(!waiting || go ||
                                   (ended == endedBefore + 1 && !rig.link.downloading()),
                               "cancel left the download waiting: " + stateText(rig));
            KORVANE_FUZZ_CHECK(!waiting || !go || rig.link.downloading(),
                               "the go ended the download: " + stateText(rig));
            break;
        }
        case Op::Cancel: {
            const bool clear = in.byte() % 2 != 0;
            note([&] { return QString::fromLatin1(clear ? "clear" : "cancel"); });
            const qsizetype before = rig.port.written().size();
            clear ? rig.session.clearRecords() : rig.session.cancelDownload();
            KORVANE_FUZZ_CHECK(!rig.link.downloading(),
                               "cancel left a download: " + stateText(rig));
            KORVANE_FUZZ_CHECK(rig.port.written().size() == before,
                               "cancel sent a command: " + stateText(rig));
            KORVANE_FUZZ_CHECK(!clear || rig.model.rowCount() == 2, stateText(rig));
            break;
        }
        case Op::Count:
            break;
        }
        checkInvariants(rig);
    }
    return 0;
}
