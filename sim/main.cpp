// SPDX-License-Identifier: GPL-3.0-or-later
// korvane-meter-sim: the virtual meter as a program, for trying Korvane without the hardware.
#include "sim/cmdline.h"
#include "sim/virtualmeter.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using korvane::sim::CommandLine;
using korvane::sim::VirtualMeter;

namespace {

constexpr int kExitBadArguments = 2;
int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop, so the meter's destructor removes the link.
bool quitOnTerminationSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) < 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(g_signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action
    {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A reader that has gone away must not kill the meter when it prints a new device path.
    ::signal(SIGPIPE, SIG_IGN);
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

QString hex(quint8 code)
{
    return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
}

void logEvents(VirtualMeter& meter)
{
    auto log = [](const QString& line) { QTextStream(stderr) << line << Qt::endl; };
    QObject::connect(&meter, &VirtualMeter::commandReceived, &meter,
                     [=](quint8 code) { log(QStringLiteral("command %1").arg(hex(code))); });
    QObject::connect(&meter, &VirtualMeter::answerFinished, &meter,
                     [=](quint8 code) { log(QStringLiteral("answered %1").arg(hex(code))); });
    QObject::connect(&meter, &VirtualMeter::answerAborted, &meter, [=](quint8 code) {
        log(QStringLiteral("restarted in the middle of the answer to %1").arg(hex(code)));
    });
    QObject::connect(&meter, &VirtualMeter::silentChanged, &meter, [=](bool silent) {
        log(silent ? QStringLiteral("silent") : QStringLiteral("answering again"));
    });
    QObject::connect(&meter, &VirtualMeter::unplugged, &meter,
                     [=] { log(QStringLiteral("unplugged")); });
    QObject::connect(&meter, &VirtualMeter::replugged, &meter, [=](const QString& path) {
        log(QStringLiteral("plugged in again at %1").arg(path));
    });
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-meter-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    const CommandLine cmd = korvane::sim::parseCommandLine(QCoreApplication::arguments());
    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (cmd.action) {
    case CommandLine::Action::ShowHelp:
        out << cmd.helpText;
        return 0;
    case CommandLine::Action::ShowVersion:
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << Qt::endl;
        return 0;
    case CommandLine::Action::Fail:
        err << "korvane-meter-sim: " << cmd.error << "\nTry korvane-meter-sim --help." << Qt::endl;
        return kExitBadArguments;
    case CommandLine::Action::Run:
        break;
    }

    if (!quitOnTerminationSignals(app)) {
        err << "korvane-meter-sim: cannot watch for termination signals" << Qt::endl;
        return 1;
    }
    VirtualMeter meter(cmd.options);
    if (cmd.verbose)
        logEvents(meter);
    QString error;
    if (!meter.start(&error)) {
        err << "korvane-meter-sim: " << error << Qt::endl;
        return 1;
    }
    // The device path comes first, so a script can read one line and open the port.
    out << meter.devicePath() << Qt::endl;
    QObject::connect(&meter, &VirtualMeter::replugged, &app,
                     [&out](const QString& path) { out << path << Qt::endl; });
    return app.exec();
}
