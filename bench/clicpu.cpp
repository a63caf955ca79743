// SPDX-License-Identifier: GPL-3.0-or-later
// korvane-cli at the meter's own rate: the virtual meter paced like a 9600 baud line on a
// pseudo-terminal, the CLI either logging (CSV to /dev/null and every frame to a file) or
// publishing to a Mosquitto broker of its own on loopback. Prints the CLI's CPU time over the
// run as a share of one core, and its resident memory after the first minute and at the end.
//   bench_clicpu [SECONDS] [log|watch|publish] [FLAP]   (default 60 log; watch: log with energy,
//   a tariff and twenty alarm rules; FLAP: with publish, the broker is killed every FLAP seconds
//   and started again 20 s later)
#include "bench/localbroker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

// utime + stime of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// VmRSS of a process, in KiB.
long residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const bool publishing = argc > 2 && QByteArray(argv[2]) == "publish";
    const bool watching = argc > 2 && QByteArray(argv[2]) == "watch";
    const int flap = argc > 3 ? std::atoi(argv[3]) : 0;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("meter"));
    QProcess meter;
    meter.start(QStringLiteral(KORVANE_METER_SIM), {QStringLiteral("--link"), link});
    if (!meter.waitForStarted(5000) || !meter.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the virtual meter did not start\n");
        return 1;
    }
    korvane::bench::LocalBroker broker;
    QStringList args{QStringLiteral("--ports"), link};
    const QString log = dir.filePath(QStringLiteral("survey.csv"));
    if (publishing) {
        if (!broker.start(dir.path())) {
            std::fprintf(stderr, "mosquitto did not start\n");
            return 1;
        }
        args << QStringLiteral("publish") << QStringLiteral("--broker")
             << QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port())
             << QStringLiteral("--topic") << QStringLiteral("bench/meter");
    } else {
        args << QStringLiteral("live") << QStringLiteral("--format") << QStringLiteral("csv")
             << QStringLiteral("--log") << log;
    }
    if (watching) {
        const QString tariff = dir.filePath(QStringLiteral("tariff.ini"));
        QFile file(tariff);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write("currency = EUR\n[from 2026-01-01]\nstanding = 0.40\nprice = 0.30\n"
                       "price 22:00-06:00 = 0.20\nprice 12:00-14:00 = 0.25\n") < 0) {
            std::fprintf(stderr, "cannot write the tariff\n");
            return 1;
        }
        file.close();
        args << QStringLiteral("--tariff") << tariff;
        // Twenty rules over the quantities every kind of frame carries, none of them raised.
        for (const char* key : {"U1", "U2", "U3", "I1", "I2", "I3", "P1", "P2", "P3", "P"}) {
            args << QStringLiteral("--alarm") << QStringLiteral("%1>100000 for 5s").arg(key);
            args << QStringLiteral("--alarm") << QStringLiteral("%1 silent 60s").arg(key);
        }
    }
    QProcess cli;
    // The energy totals stay in the run's folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    cli.setProcessEnvironment(environment);
    cli.setStandardOutputFile(QStringLiteral("/dev/null"));
    cli.setStandardErrorFile(QStringLiteral("/dev/null"));
    cli.start(QStringLiteral(KORVANE_CLI), args);
    if (!cli.waitForStarted(5000)) {
        std::fprintf(stderr, "korvane-cli did not start\n");
        return 1;
    }
    // The first seconds search and link; the CPU is counted once frames flow.
    QThread::sleep(3);
    const double cpu0 = cpuSeconds(cli.processId());
    long firstMinuteKiB = -1;
    int flaps = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 nextFlap = flap > 0 ? flap * 1000LL : -1;
    while (clock.elapsed() < seconds * 1000LL) {
        QThread::msleep(200);
        if (firstMinuteKiB < 0 && clock.elapsed() >= 60'000)
            firstMinuteKiB = residentKiB(cli.processId());
        if (nextFlap > 0 && clock.elapsed() >= nextFlap) {
            broker.kill();
            QThread::sleep(20);
            if (!broker.startAgain()) {
                std::fprintf(stderr, "mosquitto did not start again\n");
                return 1;
            }
            ++flaps;
            nextFlap += flap * 1000LL;
        }
    }
    const double cpu = cpuSeconds(cli.processId()) - cpu0;
    const long endKiB = residentKiB(cli.processId());
    const bool alive = cli.state() == QProcess::Running;
    cli.terminate();
    cli.waitForFinished(5000);
    meter.terminate();
    meter.waitForFinished(5000);
    broker.kill();
    if (cpu0 < 0 || !alive) {
        std::fprintf(stderr, "korvane-cli did not run through\n");
        return 1;
    }
    std::printf("korvane-cli %s: %.2f %% of one core (%.0f ms in %d s); resident %ld KiB after "
                "the first minute, %ld KiB at the end; %d broker restarts; exit %d\n",
                publishing ? "publish"
                : watching ? "live --format csv --log --tariff, 20 alarms"
                           : "live --format csv --log",
                100.0 * cpu / seconds, cpu * 1000, seconds, firstMinuteKiB, endKiB, flaps,
                cli.exitCode());
    if (!publishing)
        std::printf("%lld bytes logged\n", QFileInfo(log).size());
    return 0;
}
