// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/clisession.h"

#include "cli/statuswords.h"

#include "alarms/eventformat.h"
#include "datalog/csvformat.h"
#include "export/analysiscsv.h"
#include "export/analysisjsonl.h"
#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "export/workbook.h"
#include "platform/qtmeterdevices.h"
#include "publish/mqttconnection.h"
#include "publish/topics.h"
#include "watch/lognotes.h"

#include <unistd.h>

namespace korvane::cli {

namespace {
// One whole search cycle over COM1..COM16, plus the tick that stops the search.
constexpr int kPortsTriedBeforeGivingUp = 16 + 1;

QString tableRow(const records::RecordTable& table, int row)
{
    QStringList cells;
    for (int c = 0; c < records::RecordTable::kColumns; ++c)
        cells << table.cell(row, c);
    return cells.join(u'\t');
}
} // namespace

void printLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

void StderrStatus::setPortStatus(const QString& text, const QString& problem)
{
    if (text != m_port)
        printLine(stderr, text);
    if (!problem.isEmpty() && problem != m_problem)
        printLine(stderr, problem);
    m_port = text;
    m_problem = problem;
}

void StderrStatus::setLinkStatus(const QString& text)
{
    if (text != m_link)
        printLine(stderr, text);
    m_link = text;
}

CliSession::CliSession(Mode mode, QStringList ports, int frames, SaveTargets saves, LiveOutput live,
                       publish::PublishOptions publishing, watch::WatchOptions watching,
                       QObject* parent)
    : QObject(parent), m_mode(mode), m_framesWanted(frames), m_saves(std::move(saves)),
      m_liveOutput(std::move(live)), m_publishing(std::move(publishing)),
      m_watchOptions(std::move(watching)), m_session(platform::qtMeterDevices(ports))
{
    using session::MeterSession;
    connect(&m_session, &MeterSession::portAttempted, this,
            [this](const link::PortAttempt& attempt) {
                m_status.setPortStatus(portStatusText(attempt), portProblemText(attempt));
                onPortTried();
            });
    connect(&m_session, &MeterSession::linkStateChanged, this,
            [this](link::LinkState state) { m_status.setLinkStatus(linkStateText(state)); });
    connect(&m_session, &MeterSession::pollingStarted, this, &CliSession::onPollingStarted);
    connect(&m_session, &MeterSession::downloadEnded, this, &CliSession::onDownloadEnded);
    // Only a person watching a terminal wants a line redrawn; a log of stderr would fill up.
    if (mode == Mode::Records && isatty(fileno(stderr)))
        connect(&m_session, &MeterSession::downloadProgress, this, [this](int records, int count) {
            const QString text = downloadProgressText(records, count, m_session.downloadTimeLeft());
            if (text == m_progressText)
                return;
            m_progressText = text;
            const QByteArray line = '\r' + text.toUtf8() + "\x1b[K";
            std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
            std::fflush(stderr);
            m_progressShown = true;
        });
}

void CliSession::start()
{
    m_session.setPolling(m_mode == Mode::Records ? link::Polling::KeepAlive
                                                 : link::Polling::LiveFrames);
    m_session.clearRecords();
    // Before the writers, so each reading has been counted and checked when they write it.
    if (m_mode != Mode::Records && m_watchOptions.any())
        startWatching();
    if (m_mode == Mode::Live)
        startLive();
    else if (m_mode == Mode::Publish)
        startPublishing();
    if (m_ended)
        return;
    m_session.start();
}

void CliSession::startWatching()
{
    if (!m_watchOptions.meterIdOf) {
        m_watchOptions.meterIdOf = [this](const QString& device) {
            return publish::meterIdOf(device, m_session.serialNumberOf(device));
        };
    }
    m_watch = std::make_unique<watch::SessionWatch>(m_session, m_watchOptions);
    connect(m_watch.get(), &watch::SessionWatch::problem, this, [](const QString& text) {
        printLine(stderr, QStringLiteral("energy totals: ") + text);
    });
    // Whatever stdout carries, the terminal hears of every alarm.
    connect(m_watch.get(), &watch::SessionWatch::alarm, this,
            [](const alarms::AlarmEvent& event) { printLine(stderr, alarms::statusText(event)); });
}

void CliSession::watchInto(datalog::Recorder& recorder)
{
    if (!m_watch)
        return;
    watch::SessionWatch* watch = m_watch.get();
    recorder.setDerived(
        [watch](const measure::Reading& reading) { return watch->derivedFor(reading); });
    datalog::Recorder* to = &recorder;
    connect(watch, &watch::SessionWatch::energyGap, to, [to](const energy::Gap& gap) {
        to->note({gap.toMs, watch::energyGapNote(gap)});
    });
    connect(watch, &watch::SessionWatch::alarm, to, [to](const alarms::AlarmEvent& event) {
        if (const QByteArray lines = watch::alarmLines(event, to->format()); !lines.isEmpty())
            to->writeLines(event.ms, lines);
    });
}

void CliSession::startLive()
{
    using namespace datalog;
    std::unique_ptr<LineFormat> format = makeFormat(m_liveOutput.format, m_liveOutput.dialect);
    if (m_watch)
        format->setDerivedColumns(m_watch->derivedColumns());
    const bool statistics = m_liveOutput.intervalMs > 0;
    m_stdout = std::make_unique<StreamSink>(stdout, statistics ? format->statsHeading()
                                                               : format->frameHeading());
    m_stdoutRecorder = std::make_unique<Recorder>(m_session, std::move(format), *m_stdout);
    if (statistics)
        m_stdoutRecorder->setInterval(m_liveOutput.intervalMs);
    else
        watchInto(*m_stdoutRecorder);
    connect(m_stdoutRecorder.get(), &Recorder::failed, this, [this](const QString& message) {
        printLine(stderr, QStringLiteral("standard output failed: ") + message);
        m_stdoutFailed = true; // also when the last interval, written at the end, fails
        endLive(kExitSaveFailed);
    });

    if (!m_liveOutput.logPath.isEmpty()) {
        std::unique_ptr<LineFormat> csv = makeFormat(Format::Csv, m_liveOutput.dialect, true);
        if (m_watch)
            csv->setDerivedColumns(m_watch->derivedColumns());
        m_log = std::make_unique<LogFile>(m_liveOutput.logPath, csv->frameHeading());
        if (!m_log->open(m_session.now())) {
            printLine(stderr, QStringLiteral("cannot log: ") + m_log->error());
            m_logFailed = true;
            endLive(kExitSaveFailed);
            return;
        }
        printLine(stderr, QStringLiteral("logging to ") + m_log->path());
        m_logRecorder = std::make_unique<Recorder>(m_session, std::move(csv), *m_log);
        watchInto(*m_logRecorder);
        // The log stops; the frames on stdout go on, and the exit code tells.
        connect(m_logRecorder.get(), &Recorder::failed, this, [this](const QString& message) {
            printLine(stderr, QStringLiteral("logging stopped: ") + message);
            m_logFailed = true;
        });
    }
    // After the recorders, so the frame that reaches --frames is written before they finish.
    connect(&m_session, &session::MeterSession::readingReceived, this, &CliSession::onReading);
}

namespace {
// Why publishing stopped for good, in words for the terminal.
QString refusalText(const publish::BrokerProblem& problem)
{
    using Kind = publish::BrokerProblem::Kind;
    QString what;
    switch (problem.kind) {
    case Kind::CredentialsRefused:
        what = QStringLiteral("the broker refused the user name or password");
        break;
    case Kind::ClientIdRefused:
        what = QStringLiteral("the broker refused the client id");
        break;
    case Kind::ProtocolRefused:
        what = QStringLiteral("the broker does not speak MQTT 3.1.1");
        break;
    case Kind::CertificateRejected:
        what = QStringLiteral("the broker's certificate failed verification");
        break;
    case Kind::AuthorityUnusable:
        what = QStringLiteral("the certificate authority could not be loaded");
        break;
    default:
        what = QStringLiteral("the broker cannot be used");
        break;
    }
    return problem.detail.isEmpty() ? what : what + QStringLiteral(" (") + problem.detail + u')';
}
} // namespace

void CliSession::startPublishing()
{
    m_publisher = std::make_unique<publish::Publisher>(m_session, m_publishing);
    connect(m_publisher.get(), &publish::Publisher::statusChanged, this,
            [](const QString& text) { printLine(stderr, text); });
    connect(m_publisher.get(), &publish::Publisher::failed, this, [this](const QString& message) {
        printLine(stderr, QStringLiteral("cannot publish: ") + message);
        endLive(kExitUsage);
    });
    connect(m_publisher.get(), &publish::Publisher::stopped, this,
            [this](const publish::BrokerProblem& problem) {
                printLine(stderr, QStringLiteral("korvane-cli: ") + refusalText(problem));
                endLive(kExitBrokerRefused);
            });
    if (m_watch) {
        watch::SessionWatch* watch = m_watch.get();
        m_publisher->setDerived(watch->derivedColumns(), [watch](const measure::Reading& reading) {
            return watch->derivedFor(reading);
        });
        std::vector<publish::Publisher::AlarmTopic> alarms;
        for (const alarms::Rule& rule : watch->rules())
            alarms.push_back({rule.id, rule.text});
        m_publisher->setAlarms(alarms);
        publish::Publisher* publisher = m_publisher.get();
        connect(watch, &watch::SessionWatch::alarm, publisher,
                [publisher](const alarms::AlarmEvent& event) {
                    publisher->setAlarm(event.rule.id, event.state == alarms::AlarmState::Raised);
                });
    }
    // Frames count once they are on their way to the broker, not when the meter sends them.
    connect(m_publisher.get(), &publish::Publisher::framePublished, this, &CliSession::onReading);
}

void CliSession::stop()
{
    if (m_mode != Mode::Records)
        endLive(kExitDone);
    else
        emit finished(kExitIncomplete);
}

void CliSession::endLive(int exitCode)
{
    if (m_ended)
        return;
    m_ended = true;
    // A gap still open is written, and the totals saved, while the writers still run.
    if (m_watch)
        m_watch->finish();
    if (m_stdoutRecorder)
        m_stdoutRecorder->finish();
    if (m_logRecorder)
        m_logRecorder->finish();
    // A folder deleted since the last frame shows only now.
    if (m_log && !m_logFailed && !m_log->close()) {
        printLine(stderr, QStringLiteral("logging stopped: ") + m_log->error());
        m_logFailed = true;
    }
    if ((m_logFailed || m_stdoutFailed) && exitCode == kExitDone)
        exitCode = kExitSaveFailed;
    if (m_publisher) {
        m_publisher->finish();
        // Exiting at once could cut the goodbye short; the will would say "offline" anyway.
        publish::MqttConnection::waitForAllToEnd(3000);
    }
    emit finished(exitCode);
}

// Every search tick tries a port; a whole cycle without an answer means no meter.
void CliSession::onPortTried()
{
    if (m_everLinked || m_session.isLinked())
        return;
    if (++m_portsTried > kPortsTriedBeforeGivingUp) {
        printLine(stderr, QStringLiteral("no meter answered on any port"));
        if (m_mode != Mode::Records)
            endLive(kExitNoMeter);
        else
            emit finished(kExitNoMeter);
    }
}

void CliSession::onPollingStarted()
{
    m_everLinked = true;
    if (m_mode == Mode::Records && !m_downloadStarted) {
        m_downloadStarted = true;
        m_session.readRecords();
    }
}

void CliSession::onReading()
{
    if (m_framesWanted > 0 && ++m_framesShown >= m_framesWanted)
        endLive(kExitDone);
}

void CliSession::onDownloadEnded(const link::DownloadResult& result)
{
    if (m_mode != Mode::Records)
        return;
    if (std::exchange(m_progressShown, false))
        std::fputc('\n', stderr);
    using Outcome = link::DownloadResult::Outcome;
    switch (result.outcome) {
    case Outcome::Complete:
        break;
    case Outcome::Incomplete:
        printLine(stderr, QStringLiteral("download incomplete: %1 of %2 records arrived")
                              .arg(result.received)
                              .arg(result.count));
        break;
    case Outcome::BadCount:
        printLine(stderr,
                  QStringLiteral("download failed: the meter's count answer was malformed"));
        break;
    case Outcome::NoCount:
        printLine(stderr, QStringLiteral("download failed: the meter did not answer the count "
                                         "request"));
        break;
    case Outcome::Cancelled: // records mode never cancels
    case Outcome::Stopped:
        printLine(stderr, QStringLiteral("download cancelled"));
        break;
    }
    if (m_saves.any()) {
        if (!saveTable()) {
            emit finished(kExitSaveFailed);
            return;
        }
    } else if (!printRecords()) {
        emit finished(kExitSaveFailed);
        return;
    }
    emit finished(result.outcome == Outcome::Complete ? kExitDone : kExitIncomplete);
}

bool CliSession::printRecords()
{
    // A reader that went away (| head) fails the write, as a full disk would.
    datalog::StreamSink out(stdout, {});
    const auto fail = [&out] {
        printLine(stderr, QStringLiteral("standard output failed: ") + out.error());
        return false;
    };
    const exporting::Download download = m_session.recordsComplete()
                                             ? exporting::Download::Complete
                                             : exporting::Download::Incomplete;
    switch (m_liveOutput.format) {
    case datalog::Format::Csv: {
        const auto style = datalog::CsvFormat::style(m_liveOutput.dialect, false);
        return out.append(0, exporting::analysisCsv(m_session.storedRecords(), download, style)) ||
               fail();
    }
    case datalog::Format::Jsonl:
        return out.append(0, exporting::analysisJsonl(m_session.storedRecords(), download)) ||
               fail();
    default:
        break;
    }
    const records::RecordTable& t = m_session.records().table();
    for (int r = 0; r < t.rowCount(); ++r) {
        if (!out.append(0, tableRow(t, r).toUtf8() + '\n'))
            return fail();
    }
    return true;
}

bool CliSession::saveTable()
{
    const records::RecordTable& table = m_session.records().table();
    QList<exporting::SaveResult> results;
    if (!m_saves.text.isEmpty())
        results << exporting::saveRecordText(m_saves.text, table);
    if (!m_saves.xlsx.isEmpty())
        results << exporting::xlsexport(m_saves.xlsx, table);
    if (!m_saves.csv.isEmpty())
        results << exporting::saveRecordCsv(m_saves.csv, table);
    bool allSaved = true;
    for (const exporting::SaveResult& result : results) {
        if (!result.ok) {
            printLine(stderr, result.message());
            allSaved = false;
        }
    }
    return allSaved;
}

} // namespace korvane::cli
