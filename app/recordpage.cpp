// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recordpage.h"

#include "app/appearance.h"
#include "app/filetypes.h"
#include "app/statustexts.h"
#include "app/twips.h"
#include "export/analysiscsv.h"
#include "export/analysisjsonl.h"
#include "export/analysisworkbook.h"
#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "export/workbook.h"
#include "records/gridgeometry.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>

namespace korvane::app {

RecordPage::RecordPage(session::MeterSession& session, int& saveType, QWidget* parent)
    : QWidget(parent), m_session(session), m_saveType(saveType)
{
    // Row 0 and column 0 of the table are its headings: the view's headers show them, so they
    // stay in sight while the records scroll.
    m_gridModel.setSourceModel(&m_session.records());
    grid = new QTableView(this);
    grid->setModel(&m_gridModel);
    grid->setFont(cjkFont(10.5, false));
    for (QHeaderView* header : {grid->horizontalHeader(), grid->verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setHighlightSections(false);
    }
    auto* corner = grid->findChild<QAbstractButton*>();
    new CornerHeading(corner, [this] { return m_gridModel.corner(); });
    // The corner is no section of either header, so it repaints only when told.
    connect(&m_gridModel, &QAbstractItemModel::modelReset, corner, qOverload<>(&QWidget::update));
    connect(&m_gridModel, &QAbstractItemModel::headerDataChanged, corner,
            qOverload<>(&QWidget::update));
    grid->setItemDelegate(new GridCellDelegate(grid));
    // Tab leaves the grid for the buttons; the arrow keys move between cells.
    grid->setTabKeyNavigation(false);
    grid->setStyleSheet(QStringLiteral(
        "QTableView { gridline-color: rgb(192, 192, 192); background-color: rgb(128, 128, 128); }"
        "QHeaderView::section, QTableCornerButton::section { background-color: palette(button); "
        "color: palette(button-text); border: 0px; border-right: 1px solid rgb(192, 192, 192); "
        "border-bottom: 1px solid rgb(192, 192, 192); }"));

    notice = new QLabel(this);
    notice->setWordWrap(true);
    notice->hide();
    using session::MeterSession;
    connect(&m_session, &MeterSession::pollingChanged, this, &RecordPage::showWhatIsPolled);
    connect(&m_session, &MeterSession::liveFramesPaused, this, &RecordPage::showWhatIsPolled);
    connect(&m_session, &MeterSession::downloadProgress, this, [this] {
        m_lastDownload.reset();
        showDownload();
    });
    connect(&m_session, &MeterSession::drainingChanged, this, &RecordPage::showDownload);
    connect(&m_session, &MeterSession::downloadEnded, this,
            [this](const link::DownloadResult& result) {
                m_lastDownload = result;
                showDownload();
            });
}

void RecordPage::showDownload()
{
    m_downloadLine = StatusTexts::download(m_session, m_lastDownload);
    updateNotice();
}

void RecordPage::updateNotice()
{
    QStringList lines;
    for (const QString& line : {m_downloadLine, m_pollingLine}) {
        if (!line.isEmpty())
            lines << line;
    }
    setNotice(lines.join(u'\n'));
}

void RecordPage::showWhatIsPolled()
{
    // Live readings stop while the dump has the line, and while this page is shown with
    // nothing that needs them; a log or publishing keeps them coming otherwise.
    if (m_session.livePaused())
        m_pollingLine = tr("Live readings pause while the records download.");
    else if (m_session.polling() == link::Polling::KeepAlive)
        m_pollingLine = tr("Live readings pause while this page is shown; a log or publishing "
                           "would keep them coming.");
    else
        m_pollingLine.clear();
    updateNotice();
}

void RecordPage::gridinit()
{
    using records::kGridGeometry;
    m_session.clearRecords();
    m_lastDownload.reset();
    showDownload();
    // Column 0 is the vertical header and row 0 the horizontal one.
    grid->verticalHeader()->setFixedWidth(px(kGridGeometry.columnWidth));
    for (int c = 0; c + 1 < records::RecordTable::kColumns; ++c)
        grid->setColumnWidth(c, px(kGridGeometry.columnWidth));
    // The table's heading row is the horizontal header: its height is the fixed row's. A reset
    // keeps the view's row heights, so the one row left gets the default again.
    grid->horizontalHeader()->setFixedHeight(px(kGridGeometry.fixedRowHeight));
    grid->setRowHeight(0, grid->verticalHeader()->defaultSectionSize());
    placeGrid();
}

void RecordPage::setNotice(const QString& text)
{
    notice->setText(text);
    notice->setVisible(!text.isEmpty());
    placeGrid();
}

void RecordPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeGrid();
}

void RecordPage::placeGrid()
{
    // Where the table's layout puts the grid in the window at the default size, grown by as much
    // as the page has grown; a notice takes its lines from the grid's bottom.
    using records::kGridGeometry;
    const QRect laidOut =
        twipsRect(kGridGeometry.left, kGridGeometry.top, kGridGeometry.width, kGridGeometry.height)
            .translated(-kDefaultPageArea.topLeft());
    QRect area = laidOut.adjusted(0, 0, width() - kDefaultPageArea.width(),
                                  height() - kDefaultPageArea.height());
    if (!notice->isHidden()) {
        const int lines = notice->heightForWidth(area.width());
        const QRect line(area.left(), area.bottom() - lines + 1, area.width(), lines);
        notice->setGeometry(line);
        area.setBottom(line.top() - 4);
    }
    grid->setGeometry(area);
}

SaveOffer RecordPage::saveOffer()
{
    const records::RecordTable& table = m_session.records().table();
    auto write = [&table](auto writer) {
        return [&table, writer](const QString& path) { return writer(path, table); };
    };
    // The records as numbers, with a note when the download that brought them was cut short.
    const auto& stored = m_session.storedRecords();
    const exporting::Download download = m_session.recordsComplete()
                                             ? exporting::Download::Complete
                                             : exporting::Download::Incomplete;
    auto analysis = [&stored, download](auto writer) {
        return [&stored, download, writer](const QString& path) {
            return writer(path, stored, download);
        };
    };
    auto analysisCsv = [&stored, download](datalog::Dialect dialect) {
        return [&stored, download, dialect](const QString& path) {
            return exporting::saveAnalysisCsv(path, stored, download, dialect);
        };
    };
    // The meter's layouts as they are (the text keeps four of the seven columns, and says so),
    // then the same records for analysis.
    return {
        QStringLiteral("Korvane"),
        {{tr("Text, first four columns (*.txt)"), QStringLiteral("txt"),
          write(exporting::saveRecordText)},
         {FileTypes::workbook(), QStringLiteral("xlsx"), write(exporting::xlsexport)},
         {FileTypes::csv(), QStringLiteral("csv"), write(exporting::saveRecordCsv)},
         {FileTypes::analysisCsv(), QStringLiteral("csv"), analysisCsv(datalog::Dialect::Comma)},
         {FileTypes::analysisCsvSemicolon(), QStringLiteral("csv"),
          analysisCsv(datalog::Dialect::Semicolon)},
         {FileTypes::jsonLines(), QStringLiteral("jsonl"), analysis(exporting::saveAnalysisJsonl)},
         {FileTypes::workbookNumbers(), QStringLiteral("xlsx"),
          analysis(exporting::saveAnalysisWorkbook)}}};
}

QString RecordPage::afterSaving() const
{
    // The table as Clear leaves it: its file holds the headings only, as the meter's program
    // wrote it, which is easily taken for a failed save.
    const records::RecordTable& table = m_session.records().table();
    if (table.rowCount() > 2 || !table.cell(1, 0).isEmpty())
        return {};
    return tr("The record table was empty: the file holds only its headings. Press Read to "
              "download the meter's records first.");
}

} // namespace korvane::app
