// SPDX-License-Identifier: GPL-3.0-or-later
// bench_mqttlatency [FRAMES]: from the virtual meter writing a live frame's last byte to a
// subscriber on a real Mosquitto broker over loopback receiving that frame's PREFIX/state, with
// the meter's pacing on. Meter, session and publisher share this process, as in korvane --demo;
// the broker is a process of its own and the subscriber a libmosquitto client on its thread.
#include "bench/eventwait.h"
#include "bench/headlessprogram.h"
#include "bench/localbroker.h"
#include "bench/samples.h"
#include "publish/publisher.h"
#include "sim/virtualmeter.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <mosquitto.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

using namespace korvane;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kDefaultFrames = 70;
constexpr int kWarmUpFrames = 3;

std::atomic<Clock::rep> g_lastByte{0};
std::mutex g_mutex;
std::vector<double> g_latencies;
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::atoi(argv[1]) : kDefaultFrames;
    QTemporaryDir dir;
    bench::LocalBroker broker;
    if (!broker.start(dir.path())) {
        std::fprintf(stderr, "mosquitto did not start\n");
        return 1;
    }

    mosquitto_lib_init();
    mosquitto* subscriber = mosquitto_new(nullptr, true, nullptr);
    mosquitto_message_callback_set(subscriber, [](mosquitto*, void*, const mosquitto_message*) {
        const Clock::rep sent = g_lastByte.exchange(0);
        if (sent == 0)
            return;
        const auto latency = Clock::now() - Clock::time_point(Clock::duration(sent));
        std::lock_guard lock(g_mutex);
        g_latencies.push_back(std::chrono::duration<double, std::micro>(latency).count());
    });
    if (mosquitto_connect(subscriber, "127.0.0.1", broker.port(), 30) != MOSQ_ERR_SUCCESS ||
        mosquitto_subscribe(subscriber, nullptr, "bench/meter/state", 0) != MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(subscriber) != MOSQ_ERR_SUCCESS) {
        std::fprintf(stderr, "the subscriber could not connect\n");
        return 1;
    }

    sim::VirtualMeter meter;
    QString error;
    if (!meter.start(&error)) {
        std::fprintf(stderr, "the virtual meter could not start: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(&meter, &sim::VirtualMeter::answerFinished, [](quint8 code) {
        if (code == sim::kCommandLive)
            g_lastByte = Clock::now().time_since_epoch().count();
    });
    bench::HeadlessProgram program(meter.devicePath(), link::Polling::LiveFrames);
    publish::PublishOptions options;
    options.broker = {QStringLiteral("127.0.0.1"), broker.port(), false};
    options.prefix = QStringLiteral("bench/meter");
    publish::Publisher publisher(program.session(), options);
    program.start();

    const auto deadline = Clock::now() + std::chrono::seconds(10 + frames);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::lock_guard lock(g_mutex);
        if (int(g_latencies.size()) >= frames + kWarmUpFrames || Clock::now() > deadline)
            break;
    }
    publisher.finish();
    mosquitto_loop_stop(subscriber, true);
    mosquitto_destroy(subscriber);
    broker.kill();

    std::lock_guard lock(g_mutex);
    if (int(g_latencies.size()) < frames + kWarmUpFrames) {
        std::fprintf(stderr, "only %zu frames reached the subscriber\n", g_latencies.size());
        return 1;
    }
    const std::vector<double> measured(g_latencies.begin() + kWarmUpFrames, g_latencies.end());
    const bench::Summary s = bench::summarize(measured);
    std::printf("meter's last byte to PREFIX/state at a subscriber, pacing on: %zu frames, median "
                "%.3f ms, p99 %.3f ms, min %.3f ms, max %.3f ms\n",
                s.count, s.median / 1000, s.p99 / 1000, s.min / 1000, s.max / 1000);
    return 0;
}
