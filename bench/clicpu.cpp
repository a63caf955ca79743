// korvane-cli logging at the meter's own rate: the virtual meter paced like a 9600 baud line on
// a pseudo-terminal, the CLI printing CSV to /dev/null and logging every frame to a file. Prints
// the CLI's CPU time over the run as a share of one core, read from /proc.
//   bench_clicpu [SECONDS]   (default 60)
#include <QCoreApplication>
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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("meter"));
    QProcess meter;
    meter.start(QStringLiteral(KORVANE_METER_SIM), {QStringLiteral("--link"), link});
    if (!meter.waitForStarted(5000) || !meter.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the virtual meter did not start\n");
        return 1;
    }
    const QString log = dir.filePath(QStringLiteral("survey.csv"));
    QProcess cli;
    cli.setStandardOutputFile(QStringLiteral("/dev/null"));
    cli.setStandardErrorFile(QStringLiteral("/dev/null"));
    cli.start(QStringLiteral(KORVANE_CLI),
              {QStringLiteral("--ports"), link, QStringLiteral("live"), QStringLiteral("--format"),
               QStringLiteral("csv"), QStringLiteral("--log"), log});
    if (!cli.waitForStarted(5000)) {
        std::fprintf(stderr, "korvane-cli did not start\n");
        return 1;
    }
    // The first seconds search and link; the CPU is counted once frames flow.
    QThread::sleep(3);
    const double cpu0 = cpuSeconds(cli.processId());
    const qint64 size0 = QFileInfo(log).size();
    QThread::sleep(unsigned(seconds));
    const double cpu = cpuSeconds(cli.processId()) - cpu0;
    const qint64 bytes = QFileInfo(log).size() - size0;
    cli.terminate();
    cli.waitForFinished(5000);
    meter.terminate();
    meter.waitForFinished(5000);
    if (cpu0 < 0 || bytes <= 0) {
        std::fprintf(stderr, "no frames were logged\n");
        return 1;
    }
    std::printf("korvane-cli live --format csv --log: %.2f %% of one core (%.0f ms in %d s, "
                "%lld bytes logged, exit %d)\n",
                100.0 * cpu / seconds, cpu * 1000, seconds, bytes, cli.exitCode());
    return 0;
}
