// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logwindow.h"

#include "app/elidedlabel.h"
#include "app/reportdialog.h"
#include "app/saveflow.h"
#include "app/statustexts.h"
#include "app/trendpage.h"
#include "app/trendview.h"
#include "export/atomicfile.h"
#include "report/reportpdf.h"
#include "survey/survey.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace korvane::app {

namespace {
// A piece takes some tens of milliseconds: the window stays responsive between pieces.
constexpr qint64 kPieceBytes = 1 << 20;

// Gaps light, so that the lines over them stay readable; raised alarms red, cleared green.
const QColor kGap(128, 128, 128, 60);
const QColor kRaised(211, 47, 47);
const QColor kCleared(56, 142, 60);

QString number(double value)
{
    return QLocale().toString(value, 'g', 6);
}
} // namespace

LogWindow::LogWindow(QStringList files, platform::SaveDialog& saveDialog,
                     platform::MessageBoxes& messages, QWidget* parent)
    : QWidget(parent), m_survey(std::make_unique<survey::Survey>(files)), m_saveDialog(saveDialog),
      m_messages(messages)
{
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    const QString first = files.isEmpty() ? QString() : QFileInfo(files.first()).fileName();
    setWindowTitle(files.size() > 1
                       ? tr("Korvane: %1 and %n more", "", int(files.size()) - 1).arg(first)
                       : tr("Korvane: %1").arg(first));
    // The survey's own clock: following shows everything read so far.
    view = new TrendView(m_survey->store(), this, [this] { return m_survey->summary().lastMs; });
    view->setDetached();
    m_status = new ElidedLabel(this);
    m_statistics = new QLabel(this);
    m_statistics->setWordWrap(true);
    m_statistics->setTextFormat(Qt::PlainText);
    m_statistics->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reportButton = new QPushButton(tr("Report..."), this);
    reportButton->setToolTip(tr("A PDF survey report of this log, or its statistics as CSV"));
    reportButton->setEnabled(false);
    auto* statusRow = new QHBoxLayout;
    statusRow->setContentsMargins(0, 0, 8, 0);
    statusRow->addWidget(m_status, 1);
    statusRow->addWidget(reportButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(view, 1);
    layout->addWidget(m_statistics);
    layout->addLayout(statusRow);
    m_statistics->setContentsMargins(8, 0, 8, 0);
    m_status->setContentsMargins(8, 0, 8, 0);
    connect(view, &TrendView::redrawn, this, &LogWindow::showStatistics);
    connect(view, &TrendView::saveRequested, this, &LogWindow::save);
    connect(reportButton, &QPushButton::clicked, this, &LogWindow::openReportDialog);
    connect(&m_reader, &QTimer::timeout, this, &LogWindow::readMore);
    view->setChosen({measure::Key::U1, measure::Key::U2, measure::Key::U3});
    resize(1000, 620);
}

LogWindow::~LogWindow() = default;

bool LogWindow::open()
{
    if (!m_survey->open())
        return false;
    m_reader.start(0);
    showStatus();
    return true;
}

QString LogWindow::error() const
{
    return m_survey->error();
}

QString LogWindow::statusText() const
{
    return m_status->fullText();
}

QString LogWindow::statisticsText() const
{
    return m_statistics->text();
}

void LogWindow::readMore()
{
    const bool more = m_survey->readSome(kPieceBytes);
    if (!more)
        m_reader.stop();
    updateMarks();
    view->samplesArrived();
    showStatus();
    if (more)
        return;
    view->redraw();
    reportButton->setEnabled(m_survey->summary().frames > 0);
    if (m_survey->failed())
        m_messages.warning(QStringLiteral("Korvane"), m_survey->error());
    emit finishedReading();
}

void LogWindow::showStatus()
{
    const survey::SurveySummary summary = m_survey->summary();
    const auto when = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };
    QStringList parts;
    if (m_reader.isActive()) {
        const qint64 total = std::max<qint64>(1, m_survey->bytesTotal());
        parts << tr("Reading: %1 %").arg(100 * m_survey->bytesRead() / total);
    }
    if (summary.frames > 0)
        parts << tr("%n frames from %1 to %2", "", int(std::min<qint64>(summary.frames, INT_MAX)))
                     .arg(when(summary.firstMs), when(summary.lastMs));
    parts << tr("%n gaps", "", summary.gaps) +
                 (summary.gaps > 0
                      ? tr(" (%1 in all)")
                            .arg(StatusTexts::duration(std::chrono::milliseconds(summary.gapMs)))
                      : QString());
    const auto& events = m_survey->events();
    const auto alarms = std::count_if(events.begin(), events.end(), [](const auto& e) {
        return e.kind == survey::SurveyEvent::Kind::Alarm;
    });
    if (alarms > 0)
        parts << tr("%n alarm events (dashed: red raised, green cleared)", "", int(alarms));
    if (!summary.meter.isEmpty())
        parts << tr("meter on %1").arg(summary.meter);
    QString text = parts.join(QStringLiteral("; "));
    if (m_survey->failed())
        text = tr("Stopped: %1").arg(m_survey->error()) + QStringLiteral("; ") + text;
    QStringList tip = summary.files;
    for (qsizetype i = 0; i < tip.size(); ++i)
        tip[i] = QDir::toNativeSeparators(tip[i]);
    tip << m_survey->notices();
    // What was left out is said on the line too, not only in the tooltip.
    if (!m_survey->notices().isEmpty() && !m_reader.isActive())
        text += QStringLiteral("; ") + m_survey->notices().join(QStringLiteral("; "));
    m_status->setFullText(text, tip.join(u'\n'));
}

void LogWindow::showStatistics()
{
    QStringList lines;
    for (const TrendView::SpanStatistics& s : view->spanStatistics()) {
        if (s.count == 0)
            lines << tr("%1: nothing in the span shown").arg(s.name);
        else
            lines << tr("%1: lowest %2, mean %3, highest %4 (%n samples)", "", int(s.count))
                         .arg(s.name, number(s.min), number(s.mean), number(s.max));
    }
    m_statistics->setText(lines.join(u'\n'));
}

void LogWindow::updateMarks()
{
    const auto& events = m_survey->events();
    // An open gap's end moves on as reading goes on: all marks are made again, cheaply.
    if (events.size() == m_marked && !m_reader.isActive())
        return;
    m_marked = events.size();
    std::vector<TrendPlot::Mark> marks;
    for (const survey::SurveyEvent& e : events) {
        switch (e.kind) {
        case survey::SurveyEvent::Kind::Gap:
            marks.push_back({e.ms, std::max(e.endMs, e.ms + 1), kGap});
            break;
        case survey::SurveyEvent::Kind::Alarm:
            marks.push_back({e.ms, e.ms, e.alarm && !e.alarm->raised ? kCleared : kRaised});
            break;
        case survey::SurveyEvent::Kind::Other:
            break;
        }
    }
    view->setMarks(std::move(marks));
}

void LogWindow::openReportDialog()
{
    const survey::SurveySummary summary = m_survey->summary();
    auto* dialog = new ReportDialog(summary.firstMs, summary.lastMs + 1, view->shownFrom(),
                                    view->shownTo() + 1, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ReportDialog::optionsChosen, this, &LogWindow::saveReport);
    dialog->open();
}

void LogWindow::saveReport(const report::ReportOptions& options)
{
    const auto made = std::make_shared<report::Report>(report::computeReport(*m_survey, options));
    const trend::TrendStore& store = m_survey->store();
    const SaveOffer offer{
        QFileInfo(m_survey->summary().files.value(0)).completeBaseName() + tr(" report"),
        {{tr("PDF survey report (*.pdf)"), QStringLiteral("pdf"),
          [made, &store](const QString& path) {
              const QString why = report::writePdf(path, *made, store);
              return why.isEmpty() ? exporting::SaveResult::success(path)
                                   : exporting::SaveResult::failure(path, why);
          }},
         {tr("Statistics as CSV (*.csv)"), QStringLiteral("csv"), [made](const QString& path) {
              return exporting::writeFileAtomically(path, report::statisticsCsv(*made));
          }}}};
    runSave(offer, m_reportType, m_saveDialog, m_messages);
}

void LogWindow::save()
{
    runSave(TrendPage::offerOf(*view, m_survey->store()), m_saveType, m_saveDialog, m_messages);
}

} // namespace korvane::app
