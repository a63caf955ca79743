// SPDX-License-Identifier: GPL-3.0-or-later
// Save: the live view as a picture or text, the record table as text, workbook or CSV.
#include "app/mainwindow.h"
#include "app/savefolder.h"
#include "app/trendview.h"
#include "export/liveviewtext.h"
#include "export/picture.h"
#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "export/trendcsv.h"
#include "export/workbook.h"

#include <QLabel>
#include <QTabWidget>

#include <array>

namespace korvane::app {

namespace {
const QString kInitialName = QStringLiteral("Korvane");

// Types of the live-view save, by the dialog's index.
enum ViewType { kPictureType = 1, kViewTextType = 2 };
// Types of the record save: the third, CSV, comes after the two the program always had.
enum RecordType { kRecordTextType = 1, kWorkbookType = 2, kCsvType = 3 };

const QStringList kViewFilters{QStringLiteral("jpg格式 (*.jpg)"),
                               QStringLiteral("txt格式 (*.txt)")};
const QStringList kRecordFilters{QStringLiteral("txt格式 (*.txt)"),
                                 QStringLiteral("excel格式 (*.xlsx)"),
                                 QStringLiteral("csv格式 (*.csv)")};
constexpr std::array<const char*, 3> kRecordSuffixes{"txt", "xlsx", "csv"};
// The trend's saves: its chart as a picture, its samples as CSV.
enum TrendType { kTrendPictureType = 1, kTrendCsvType = 2 };
const QStringList kTrendFilters{QStringLiteral("png (*.png)"), QStringLiteral("csv (*.csv)")};
} // namespace

void MainWindow::onSaveClicked()
{
    if (m_recordTab)
        saveRecords();
    else if (tabs->currentIndex() == kTrendTab)
        saveTrend();
    else
        saveLiveView();
}

void MainWindow::saveTrend()
{
    const bool picture = m_trendTypeIndex != kTrendCsvType;
    platform::SaveDialogRequest request{
        QStringLiteral("Korvane trend"), kTrendFilters, picture ? kTrendPictureType : kTrendCsvType,
        picture ? QStringLiteral("png") : QStringLiteral("csv"), defaultSaveFolder()};
    // The chart as it is when Save is clicked, and the span it shows.
    const QImage shot = trendView->chartImage();
    const qint64 from = trendView->shownFrom();
    const qint64 to = trendView->shownTo();
    const platform::SaveDialogAnswer answer = m_saveDialog.ask(request);
    if (!answer.accepted)
        return;
    m_trendTypeIndex = answer.selectedFilter;
    if (m_trendTypeIndex == kTrendCsvType)
        reportSave(exporting::saveTrendCsv(answer.path, m_session.trend(), trendView->chosen(),
                                           from, to + 1));
    else
        reportSave(exporting::savePng(answer.path, shot));
}

void MainWindow::saveLiveView()
{
    // Every index of 2 or more, the record save's CSV included, means text here.
    const bool picture = m_typeIndex < kViewTextType;
    platform::SaveDialogRequest request{
        kInitialName, kViewFilters, picture ? kPictureType : kViewTextType,
        picture ? QStringLiteral("jpg") : QStringLiteral("txt"), defaultSaveFolder()};
    // The window is captured as it looks when Save is clicked, before the dialog covers it.
    QImage shot;
    if (picture) {
        shot = captureAsSaved();
        m_capture.toClipboard(shot);
    }
    const platform::SaveDialogAnswer answer = m_saveDialog.ask(request);
    if (!answer.accepted)
        return;
    m_typeIndex = answer.selectedFilter;

    exporting::SaveResult result;
    if (m_typeIndex < kViewTextType) {
        // Our own window, never whatever another program left on the clipboard.
        if (shot.isNull())
            shot = captureAsSaved();
        result = exporting::savePicture(answer.path, shot);
    } else {
        exporting::LiveRowTexts captions, values;
        for (int i = 0; i < measure::kLiveRows; ++i) {
            captions[i] = captionLabels[i]->text();
            values[i] = valueLabels[i]->text();
        }
        result = exporting::saveLiveViewText(answer.path, captions, values);
    }
    reportSave(result);
}

void MainWindow::saveRecords()
{
    const int type = std::clamp(m_typeIndex, int(kRecordTextType), int(kCsvType));
    platform::SaveDialogRequest request{kInitialName, kRecordFilters, type,
                                        QLatin1String(kRecordSuffixes[std::size_t(type - 1)]),
                                        defaultSaveFolder()};
    const platform::SaveDialogAnswer answer = m_saveDialog.ask(request);
    if (!answer.accepted)
        return;
    m_typeIndex = answer.selectedFilter;

    const records::RecordTable& table = m_session.records().table();
    if (m_typeIndex >= kCsvType)
        reportSave(exporting::saveRecordCsv(answer.path, table));
    else if (m_typeIndex >= kWorkbookType)
        reportSave(exporting::xlsexport(answer.path, table));
    else
        reportSave(exporting::saveRecordText(answer.path, table));
}

QImage MainWindow::captureAsSaved()
{
    // The picture shows the readings as they are, never greyed for a lost link. The capture
    // lets the window repaint first, so the link may lose or find the meter meanwhile.
    m_capturing = true;
    readingsPanel->setEnabled(true);
    QImage shot = m_capture.capture(*this);
    m_capturing = false;
    readingsPanel->setEnabled(!m_readingsStale);
    return shot;
}

void MainWindow::reportSave(const exporting::SaveResult& result)
{
    if (!result.ok)
        m_messages.warning(QStringLiteral("Korvane"), result.message());
}

} // namespace korvane::app
