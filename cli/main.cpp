// korvane-cli: the meter link and decoders without a window, for scripting and logging.
#include "cli/clisession.h"
#include "platform/porttable.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace korvane;
using korvane::cli::printLine;

namespace {
int usageError(const QCommandLineParser& parser, const QString& message)
{
    printLine(stderr, QStringLiteral("korvane-cli: ") + message);
    printLine(stderr, parser.helpText().trimmed());
    return cli::kExitUsage;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Talks to the power meter without a window.\n\n"
        "  live     print one line per live frame: six caption/value pairs, TAB-separated\n"
        "  records  download the stored records and print the table, one row per line\n\n"
        "Exit codes: 0 done, 2 usage, 3 no meter answered, 4 download incomplete, "
        "5 a file could not be saved."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption portsOption = platform::portsOption();
    const QCommandLineOption framesOption(
        QStringLiteral("frames"),
        QStringLiteral("live: stop after N frames (default: run until interrupted)."),
        QStringLiteral("N"));
    const QCommandLineOption textOption(
        QStringLiteral("text"), QStringLiteral("records: save the table as fixed-column text."),
        QStringLiteral("FILE"));
    const QCommandLineOption xlsxOption(QStringLiteral("xlsx"),
                                        QStringLiteral("records: save the table as a workbook."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
                                       QStringLiteral("records: save the table as CSV."),
                                       QStringLiteral("FILE"));
    parser.addOption(portsOption);
    parser.addOption(framesOption);
    parser.addOption(textOption);
    parser.addOption(xlsxOption);
    parser.addOption(csvOption);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("live or records"));

    if (!parser.parse(app.arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(helpOption)) {
        printLine(stdout, parser.helpText().trimmed());
        return cli::kExitDone;
    }
    if (parser.isSet(versionOption)) {
        printLine(stdout, QCoreApplication::applicationName() + u' ' +
                              QCoreApplication::applicationVersion());
        return cli::kExitDone;
    }

    const QStringList args = parser.positionalArguments();
    if (args.size() != 1)
        return usageError(parser, QStringLiteral("give one command: live or records"));
    cli::CliSession::Mode mode;
    if (args.first() == QLatin1String("live"))
        mode = cli::CliSession::Mode::Live;
    else if (args.first() == QLatin1String("records"))
        mode = cli::CliSession::Mode::Records;
    else
        return usageError(parser, QStringLiteral("unknown command \"%1\"").arg(args.first()));

    int frames = 0;
    if (parser.isSet(framesOption)) {
        if (mode != cli::CliSession::Mode::Live)
            return usageError(parser, QStringLiteral("--frames belongs to the live command"));
        bool ok = false;
        frames = parser.value(framesOption).toInt(&ok);
        if (!ok || frames < 1)
            return usageError(parser, QStringLiteral("--frames needs a whole number of 1 or more"));
    }
    cli::SaveTargets saves{parser.value(textOption), parser.value(xlsxOption),
                           parser.value(csvOption)};
    for (const QCommandLineOption* option : {&textOption, &xlsxOption, &csvOption}) {
        if (!parser.isSet(*option))
            continue;
        if (mode != cli::CliSession::Mode::Records)
            return usageError(
                parser,
                QStringLiteral("--%1 belongs to the records command").arg(option->names().first()));
        if (parser.value(*option).isEmpty())
            return usageError(
                parser, QStringLiteral("--%1 needs a file name").arg(option->names().first()));
    }
    QStringList ports;
    if (parser.isSet(portsOption)) {
        ports = platform::parsePortList(parser.value(portsOption));
        if (ports.isEmpty())
            return usageError(parser, QStringLiteral("--ports needs at least one device"));
    }

    cli::CliSession session(mode, ports, frames, saves);
    QObject::connect(&session, &cli::CliSession::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    session.start();
    return app.exec();
}
