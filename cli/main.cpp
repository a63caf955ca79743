// SPDX-License-Identifier: GPL-3.0-or-later
// korvane-cli: the meter link and decoders without a window, for scripting and logging.
#include "alarms/rule.h"
#include "cli/clisession.h"
#include "cli/reportcommand.h"
#include "energy/tariff.h"
#include "platform/porttable.h"
#include "platform/stopsignals.h"
#include "publish/settingfiles.h"
#include "publish/topics.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStandardPaths>

#include <array>
#include <memory>

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
    // Parsed before the application exists: only the report needs Qt Gui (for its PDF's fonts).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-cli"));
    // The data folder (energy totals) is Korvane's, as the window's is.
    QCoreApplication::setOrganizationName(QStringLiteral("Korvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Talks to the power meter without a window.\n\n"
        "  live     print one line per live frame: six caption/value pairs, TAB-separated,\n"
        "           or CSV, JSON Lines or InfluxDB line protocol (--format); with --interval\n"
        "           the minimum, average and maximum of each quantity per interval instead\n"
        "  records  download the stored records and print the table, one row per line, or\n"
        "           one row per record as numbers (--format csv or jsonl)\n"
        "  publish  publish live readings to an MQTT broker: PREFIX/<key> as numbers,\n"
        "           PREFIX/state as JSON, PREFIX/status online/offline (retained, last will)\n"
        "  report   read saved logs (LOG...) and write a survey report as PDF (--out): the\n"
        "           statistics per quantity, supply quality, energy, alarms and plots; or\n"
        "           the statistics alone as CSV (--format csv, to stdout without --out)\n\n"
        "The MQTT password comes from --password-file or the environment variable\n"
        "KORVANE_MQTT_PASSWORD, never from the command line.\n\n"
        "Exit codes: 0 done, 2 usage, 3 no meter answered, 4 download incomplete, "
        "5 a file could not be saved, 6 the broker refused us for good or its certificate "
        "cannot be verified, 7 a log could not be read or holds no readings."));
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
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("live: tsv (default), csv, jsonl or influx. records: tsv (default, the "
                       "table), csv or jsonl (one row per record, numbers in base units). "
                       "report: pdf (default) or csv (the statistics table)."),
        QStringLiteral("FORMAT"));
    const QCommandLineOption dialectOption(
        QStringLiteral("dialect"),
        QStringLiteral("CSV: comma (default; decimal point) or semicolon (decimal comma)."),
        QStringLiteral("DIALECT"));
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("live: also log every frame as CSV to FILE (never overwritten; a new "
                       "file each local midnight)."),
        QStringLiteral("FILE"));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"),
        QStringLiteral("live: print statistics per interval, 1m, 10m or 15m, instead of frames."),
        QStringLiteral("LENGTH"));
    const QCommandLineOption brokerOption(
        QStringLiteral("broker"),
        QStringLiteral("publish: mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (TLS); HOST[:PORT] "
                       "alone means mqtt://."),
        QStringLiteral("URL"));
    const QCommandLineOption topicOption(
        QStringLiteral("topic"),
        QStringLiteral("publish: topic prefix (default korvane/METER-ID)."),
        QStringLiteral("PREFIX"));
    const QCommandLineOption clientIdOption(QStringLiteral("client-id"),
                                            QStringLiteral("publish: MQTT client id."),
                                            QStringLiteral("ID"));
    const QCommandLineOption usernameOption(QStringLiteral("username"),
                                            QStringLiteral("publish: MQTT user name."),
                                            QStringLiteral("USER"));
    const QCommandLineOption passwordFileOption(
        QStringLiteral("password-file"),
        QStringLiteral("publish: read the MQTT password from the first line of FILE (a regular "
                       "file of at most 64 KiB)."),
        QStringLiteral("FILE"));
    const QCommandLineOption cafileOption(
        QStringLiteral("cafile"),
        QStringLiteral("publish: certificate authority for mqtts (default: the system's)."),
        QStringLiteral("FILE"));
    const QCommandLineOption qosOption(QStringLiteral("qos"),
                                       QStringLiteral("publish: 0 (default) or 1 for readings."),
                                       QStringLiteral("QOS"));
    const QCommandLineOption discoveryOption(
        QStringLiteral("ha-discovery"),
        QStringLiteral("publish: announce each quantity to Home Assistant (retained configs)."));
    const QCommandLineOption energyOption(
        QStringLiteral("energy"),
        QStringLiteral("live, publish: add the energy consumed, E1, E2, E3 and E in Wh, kept per "
                       "meter across runs."));
    const QCommandLineOption tariffOption(
        QStringLiteral("tariff"),
        QStringLiteral("live, publish: add the cost under the tariff in FILE (implies --energy)."),
        QStringLiteral("FILE"));
    const QCommandLineOption energyResetOption(
        QStringLiteral("energy-reset"),
        QStringLiteral("live, publish: start the meter's energy totals from zero (implies "
                       "--energy)."));
    const QCommandLineOption alarmOption(
        QStringLiteral("alarm"),
        QStringLiteral("live, publish: raise and clear an alarm by RULE, e.g. 'U1>253 for 5s "
                       "clear 251', 'F<49.5' or 'U1 silent 30s'; repeatable."),
        QStringLiteral("RULE"));
    const QCommandLineOption outOption(
        QStringLiteral("out"), QStringLiteral("report: write the report to FILE (replaced whole)."),
        QStringLiteral("FILE"));
    const QCommandLineOption fromOption(
        QStringLiteral("from"),
        QStringLiteral("report: start at TIME, ISO 8601 (2026-12-07T08:00), local unless an "
                       "offset (+01:00, Z) is given; default the log's first time."),
        QStringLiteral("TIME"));
    const QCommandLineOption toOption(
        QStringLiteral("to"),
        QStringLiteral("report: end before TIME, as --from; default after the log's last time."),
        QStringLiteral("TIME"));
    const QCommandLineOption nominalOption(
        QStringLiteral("nominal"),
        QStringLiteral("report: the nominal phase voltage in volts (default 230)."),
        QStringLiteral("VOLTS"));
    const QCommandLineOption nominalFrequencyOption(
        QStringLiteral("nominal-frequency"),
        QStringLiteral("report: the nominal frequency, 50 (default) or 60 Hz."),
        QStringLiteral("HZ"));
    const QCommandLineOption titleOption(QStringLiteral("title"),
                                         QStringLiteral("report: the report's title."),
                                         QStringLiteral("TEXT"));
    const std::array reportOptions{
        &outOption, &fromOption, &toOption, &nominalOption, &nominalFrequencyOption, &titleOption};
    parser.addOption(portsOption);
    parser.addOption(framesOption);
    for (const QCommandLineOption* option :
         {&brokerOption, &topicOption, &clientIdOption, &usernameOption, &passwordFileOption,
          &cafileOption, &qosOption, &discoveryOption})
        parser.addOption(*option);
    for (const QCommandLineOption* option :
         {&energyOption, &tariffOption, &energyResetOption, &alarmOption})
        parser.addOption(*option);
    parser.addOption(formatOption);
    parser.addOption(dialectOption);
    parser.addOption(logOption);
    parser.addOption(intervalOption);
    parser.addOption(textOption);
    parser.addOption(xlsxOption);
    parser.addOption(csvOption);
    for (const QCommandLineOption* option : reportOptions)
        parser.addOption(*option);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("live, records, publish or report"));
    parser.addPositionalArgument(QStringLiteral("logs"), QStringLiteral("report: the log files"),
                                 QStringLiteral("[LOG...]"));

    const bool argumentsRead = parser.parse(arguments);
    const bool reporting =
        argumentsRead && parser.positionalArguments().value(0) == QLatin1String("report");
    // The report's options, checked before the application is made: the PDF needs Qt Gui.
    cli::ReportRequest request;
    const auto checkReport = [&]() -> QString {
        const QStringList args = parser.positionalArguments();
        for (const QCommandLineOption* option :
             {&portsOption,        &framesOption, &dialectOption,     &logOption,
              &intervalOption,     &textOption,   &xlsxOption,        &csvOption,
              &brokerOption,       &topicOption,  &clientIdOption,    &usernameOption,
              &passwordFileOption, &cafileOption, &qosOption,         &discoveryOption,
              &energyOption,       &tariffOption, &energyResetOption, &alarmOption}) {
            if (parser.isSet(*option))
                return QStringLiteral("--%1 does not belong to the report command")
                    .arg(option->names().first());
        }
        request.logs = args.mid(1);
        if (request.logs.isEmpty())
            return QStringLiteral("report needs one or more log files");
        const QString format = parser.value(formatOption);
        request.csv = format == QLatin1String("csv");
        if (parser.isSet(formatOption) && !request.csv && format != QLatin1String("pdf"))
            return QStringLiteral("report --format is pdf or csv");
        request.out = parser.value(outOption);
        if (parser.isSet(outOption) && request.out.isEmpty())
            return QStringLiteral("--out needs a file name");
        if (!request.csv && request.out.isEmpty())
            return QStringLiteral("report needs --out FILE for the PDF");
        for (const QCommandLineOption* option : {&fromOption, &toOption}) {
            if (!parser.isSet(*option))
                continue;
            const auto ms = report::parseTime(parser.value(*option));
            if (!ms)
                return QStringLiteral("--%1 \"%2\" is no time: give it in ISO 8601, "
                                      "2026-12-07T08:00 (local) or with an offset, "
                                      "2026-12-07T08:00+01:00")
                    .arg(option->names().first(), parser.value(*option));
            (option == &fromOption ? request.options.fromMs : request.options.toMs) = *ms;
        }
        if (request.options.fromMs && request.options.toMs &&
            *request.options.toMs <= *request.options.fromMs)
            return QStringLiteral("--to must come after --from");
        if (parser.isSet(nominalOption)) {
            bool ok = false;
            const double volts = parser.value(nominalOption).toDouble(&ok);
            if (!ok || !(volts >= 50 && volts <= 1000))
                return QStringLiteral("--nominal is a voltage in volts, 50 to 1000 (for "
                                      "example 230)");
            request.options.nominalVoltage = volts;
        }
        if (parser.isSet(nominalFrequencyOption)) {
            const QString hertz = parser.value(nominalFrequencyOption);
            if (hertz != QLatin1String("50") && hertz != QLatin1String("60"))
                return QStringLiteral("--nominal-frequency is 50 or 60");
            request.options.nominalFrequency = hertz.toDouble();
        }
        request.options.title = parser.value(titleOption);
        return QString();
    };
    const QString reportProblem = reporting ? checkReport() : QString();
    const bool drawing = reporting && reportProblem.isEmpty() && !request.csv;
    // No screen is needed to draw a PDF. Windows' own platform is kept there: Qt's offscreen one
    // finds no fonts on Windows and would write a report without a word in it.
#ifndef Q_OS_WIN
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    std::unique_ptr<QCoreApplication> app;
    if (drawing)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    if (!argumentsRead)
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
    if (reporting) {
        if (!reportProblem.isEmpty())
            return usageError(parser, reportProblem);
        return cli::runReport(request);
    }
    for (const QCommandLineOption* option : reportOptions) {
        if (parser.isSet(*option))
            return usageError(
                parser,
                QStringLiteral("--%1 belongs to the report command").arg(option->names().first()));
    }
    if (args.size() != 1)
        return usageError(parser,
                          QStringLiteral("give one command: live, records, publish or report"));
    cli::CliSession::Mode mode;
    if (args.first() == QLatin1String("live"))
        mode = cli::CliSession::Mode::Live;
    else if (args.first() == QLatin1String("records"))
        mode = cli::CliSession::Mode::Records;
    else if (args.first() == QLatin1String("publish"))
        mode = cli::CliSession::Mode::Publish;
    else
        return usageError(parser, QStringLiteral("unknown command \"%1\"").arg(args.first()));

    int frames = 0;
    if (parser.isSet(framesOption)) {
        if (mode == cli::CliSession::Mode::Records)
            return usageError(parser,
                              QStringLiteral("--frames belongs to the live and publish commands"));
        bool ok = false;
        frames = parser.value(framesOption).toInt(&ok);
        if (!ok || frames < 1)
            return usageError(parser, QStringLiteral("--frames needs a whole number of 1 or more"));
    }
    const bool records = mode == cli::CliSession::Mode::Records;
    for (const QCommandLineOption* option :
         {&formatOption, &dialectOption, &logOption, &intervalOption}) {
        const bool recordsTake = option == &formatOption || option == &dialectOption;
        if (parser.isSet(*option) && mode != cli::CliSession::Mode::Live &&
            !(records && recordsTake))
            return usageError(
                parser,
                QStringLiteral("--%1 belongs to the live command").arg(option->names().first()));
    }
    cli::LiveOutput live;
    const QString format = parser.value(formatOption);
    if (format == QLatin1String("csv"))
        live.format = datalog::Format::Csv;
    else if (format == QLatin1String("jsonl"))
        live.format = datalog::Format::Jsonl;
    else if (format == QLatin1String("influx") && !records)
        live.format = datalog::Format::Influx;
    else if (records && parser.isSet(formatOption) && format != QLatin1String("tsv"))
        return usageError(parser, QStringLiteral("records --format is tsv, csv or jsonl"));
    else if (parser.isSet(formatOption) && format != QLatin1String("tsv"))
        return usageError(parser, QStringLiteral("--format is tsv, csv, jsonl or influx"));
    const QString dialect = parser.value(dialectOption);
    if (dialect == QLatin1String("semicolon"))
        live.dialect = datalog::Dialect::Semicolon;
    else if (parser.isSet(dialectOption) && dialect != QLatin1String("comma"))
        return usageError(parser, QStringLiteral("--dialect is comma or semicolon"));
    if (parser.isSet(dialectOption) && live.format != datalog::Format::Csv &&
        !parser.isSet(logOption))
        return usageError(parser,
                          records ? QStringLiteral("--dialect belongs to --format csv")
                                  : QStringLiteral("--dialect belongs to --format csv or --log"));
    live.logPath = parser.value(logOption);
    if (parser.isSet(logOption) && live.logPath.isEmpty())
        return usageError(parser, QStringLiteral("--log needs a file name"));
    if (parser.isSet(intervalOption)) {
        const QString interval = parser.value(intervalOption);
        const QStringList lengths{QStringLiteral("1m"), QStringLiteral("10m"),
                                  QStringLiteral("15m")};
        if (!lengths.contains(interval))
            return usageError(parser, QStringLiteral("--interval is 1m, 10m or 15m"));
        live.intervalMs = interval.chopped(1).toLongLong() * 60 * 1000;
    }

    cli::SaveTargets saves{parser.value(textOption), parser.value(xlsxOption),
                           parser.value(csvOption)};
    if (records && saves.any() && parser.isSet(formatOption) && format != QLatin1String("tsv"))
        return usageError(parser, QStringLiteral("--format is for standard output; --text, "
                                                 "--xlsx and --csv write the table's layouts"));
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
    watch::WatchOptions watching;
    for (const QCommandLineOption* option :
         {&energyOption, &tariffOption, &energyResetOption, &alarmOption}) {
        if (parser.isSet(*option) && mode == cli::CliSession::Mode::Records)
            return usageError(parser,
                              QStringLiteral("--%1 belongs to the live and publish commands")
                                  .arg(option->names().first()));
    }
    watching.energy = parser.isSet(energyOption) || parser.isSet(energyResetOption);
    watching.resetEnergy = parser.isSet(energyResetOption);
    if (parser.isSet(tariffOption)) {
        const QString path = parser.value(tariffOption);
        if (path.isEmpty())
            return usageError(parser, QStringLiteral("--tariff needs a file name"));
        const energy::ParsedTariff parsed = energy::readTariff(path);
        if (!parsed.tariff)
            return usageError(parser,
                              QStringLiteral("--tariff %1: %2").arg(path, parsed.error.text()));
        watching.tariff = parsed.tariff;
    }
    for (const QString& text : parser.values(alarmOption)) {
        const auto parsed = alarms::parseRule(text);
        if (const auto* error = std::get_if<alarms::ParseError>(&parsed))
            return usageError(
                parser, QStringLiteral("--alarm '%1': %2").arg(text, alarms::errorText(*error)));
        watching.rules.push_back(std::get<alarms::Rule>(parsed));
    }
    if (watching.energyOn()) {
        watching.dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (watching.dataFolder.isEmpty())
            return usageError(parser, QStringLiteral("--energy needs a data folder, and the "
                                                     "system names none (is HOME set?)"));
    }

    QStringList ports;
    if (parser.isSet(portsOption)) {
        ports = platform::parsePortList(parser.value(portsOption));
        if (const QString problem = platform::portListProblem(ports); !problem.isEmpty())
            return usageError(parser, problem);
    }

    publish::PublishOptions publishing;
    for (const QCommandLineOption* option :
         {&brokerOption, &topicOption, &clientIdOption, &usernameOption, &passwordFileOption,
          &cafileOption, &qosOption, &discoveryOption}) {
        if (parser.isSet(*option) && mode != cli::CliSession::Mode::Publish)
            return usageError(
                parser,
                QStringLiteral("--%1 belongs to the publish command").arg(option->names().first()));
    }
    if (mode == cli::CliSession::Mode::Publish) {
        if (!parser.isSet(brokerOption))
            return usageError(parser, QStringLiteral("publish needs --broker mqtt://HOST[:PORT]"));
        QString error;
        const auto broker = publish::BrokerAddress::parse(parser.value(brokerOption), &error);
        if (!broker)
            return usageError(parser, error);
        publishing.broker = *broker;
        publishing.prefix = parser.value(topicOption);
        if (parser.isSet(topicOption)) {
            const QString problem = publish::prefixProblem(publishing.prefix);
            if (!problem.isEmpty())
                return usageError(parser, QStringLiteral("--topic: ") + problem);
        }
        if (parser.isSet(clientIdOption) && parser.value(clientIdOption).isEmpty())
            return usageError(parser, QStringLiteral("--client-id needs an id"));
        if (parser.isSet(cafileOption) && !broker->tls)
            return usageError(parser, QStringLiteral("--cafile belongs to an mqtts:// broker"));
        publishing.credentials = {parser.value(clientIdOption), parser.value(usernameOption),
                                  qEnvironmentVariable("KORVANE_MQTT_PASSWORD"),
                                  parser.value(cafileOption)};
        if (parser.isSet(passwordFileOption)) {
            const QString path = parser.value(passwordFileOption);
            const publish::SettingFile file = publish::SettingFile::read(path);
            if (!file.error.isEmpty())
                return usageError(
                    parser,
                    QStringLiteral("cannot read the password file %1: %2").arg(path, file.error));
            if (file.othersMayRead)
                printLine(stderr, QStringLiteral("korvane-cli: warning: others may read the "
                                                 "password file %1 (chmod go-r)")
                                      .arg(path));
            publishing.credentials.password = publish::passwordOf(file.bytes);
        }
        if (!publishing.credentials.password.isEmpty() && publishing.credentials.username.isEmpty())
            return usageError(parser, QStringLiteral("a password needs --username"));
        if (parser.isSet(qosOption)) {
            const QString qos = parser.value(qosOption);
            if (qos != QLatin1String("0") && qos != QLatin1String("1"))
                return usageError(parser, QStringLiteral("--qos is 0 or 1"));
            publishing.qos = qos.toInt();
        }
        publishing.haDiscovery = parser.isSet(discoveryOption);
        // Loaded now, not at the first connect: a CA that cannot verify anything ends the run.
        if (!publishing.credentials.caFile.isEmpty()) {
            const QString problem =
                publish::certificateAuthorityProblem(publishing.credentials.caFile);
            if (!problem.isEmpty()) {
                printLine(stderr, QStringLiteral("korvane-cli: cannot use the CA file %1: %2")
                                      .arg(publishing.credentials.caFile, problem));
                return cli::kExitBrokerRefused;
            }
        }
        const QString willTopic =
            (publishing.prefix.isEmpty() ? QStringLiteral("korvane/meter") : publishing.prefix) +
            QStringLiteral("/status");
        const QString problem = publish::MqttConnection::settingsProblem(
            publishing.broker, publishing.credentials, willTopic);
        if (!problem.isEmpty())
            return usageError(parser, problem);
    }

    cli::CliSession session(mode, ports, frames, saves, live, publishing, watching);
    QObject::connect(&session, &cli::CliSession::finished, app.get(), &QCoreApplication::exit,
                     Qt::QueuedConnection);
    platform::StopSignals stopSignals;
    QObject::connect(&stopSignals, &platform::StopSignals::stopRequested, &session,
                     &cli::CliSession::stop);
    session.start();
    return app->exec();
}
