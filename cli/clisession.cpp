#include "cli/clisession.h"

#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "export/workbook.h"

namespace korvane::cli {

namespace {
// One whole search cycle over COM1..COM16, plus the tick that stops the search.
constexpr int kSearchTicksBeforeGivingUp = 16 + 1;

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

void StderrStatus::setPortStatus(const QString& text, const QString& device, const QString& problem)
{
    Q_UNUSED(device);
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

CliSession::CliSession(Mode mode, QStringList ports, int frames, SaveTargets saves, QObject* parent)
    : QObject(parent), m_mode(mode), m_framesWanted(frames), m_saves(std::move(saves)),
      m_ports(std::move(ports)), m_port(m_ports),
      m_link(m_state, m_port, {m_findcomtim, m_comtim, m_comcontim, m_readtim}, m_status, m_live,
             m_records)
{
    connect(&m_findcomtim, &platform::Timer::timeout, this, &CliSession::onSearchTick);
    connect(&m_link, &link::Link::pollingStarted, this, &CliSession::onPollingStarted);
    connect(&m_link, &link::Link::liveFrameShown, this, &CliSession::onLiveFrame);
    connect(&m_link, &link::Link::downloadEnded, this, &CliSession::onDownloadEnded);
}

void CliSession::start()
{
    m_link.setPolling(m_mode == Mode::Records ? link::Polling::KeepAlive
                                              : link::Polling::LiveFrames);
    m_records.gridinit();
    m_link.start();
}

void CliSession::onSearchTick()
{
    if (m_everLinked || m_state.linkup)
        return;
    if (++m_searchTicks > kSearchTicksBeforeGivingUp) {
        printLine(stderr, QStringLiteral("no meter answered on any port"));
        emit finished(kExitNoMeter);
    }
}

void CliSession::onPollingStarted()
{
    m_everLinked = true;
    if (m_mode == Mode::Records && !m_downloadStarted) {
        m_downloadStarted = true;
        m_link.readRecords();
    }
}

void CliSession::onLiveFrame()
{
    if (m_mode != Mode::Live)
        return;
    QStringList fields;
    for (int i = 0; i < measure::kLiveRows; ++i)
        fields << m_live.captions()[i] << m_live.values()[i];
    printLine(stdout, fields.join(u'\t'));
    if (m_framesWanted > 0 && ++m_framesShown >= m_framesWanted)
        emit finished(kExitDone);
}

void CliSession::onDownloadEnded(const link::DownloadResult& result)
{
    if (m_mode != Mode::Records)
        return;
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
    }
    if (m_saves.any()) {
        if (!saveTable()) {
            emit finished(kExitSaveFailed);
            return;
        }
    } else {
        const records::RecordTable& t = m_records.table();
        for (int r = 0; r < t.rowCount(); ++r)
            printLine(stdout, tableRow(t, r));
    }
    emit finished(result.outcome == Outcome::Complete ? kExitDone : kExitIncomplete);
}

bool CliSession::saveTable()
{
    const records::RecordTable& table = m_records.table();
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
