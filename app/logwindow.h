// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messageboxes.h"
#include "platform/savedialog.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace korvane::report {
struct ReportOptions;
}
namespace korvane::survey {
class Survey;
}

namespace korvane::app {

class ElidedLabel;
class TrendView;

// Saved logs read back as one survey, in a trend of their own: the same choices, zoom and pan as
// the live trend, gaps shaded and alarm events marked, and the lowest, mean and highest of each
// quantity over the span on show. It shows what it has read while it reads on, in pieces between
// the window's other work, so a week's log is on screen at once and the window never stalls.
class LogWindow : public QWidget
{
    Q_OBJECT
public:
    LogWindow(QStringList files, platform::SaveDialog& saveDialog, platform::MessageBoxes& messages,
              QWidget* parent = nullptr);
    ~LogWindow() override;

    // Opens the files and starts reading; false with error() when they cannot be read at all
    // (missing, not a Korvane log): then there is nothing to show.
    bool open();
    QString error() const;
    bool reading() const { return m_reader.isActive(); }
    const survey::Survey& survey() const { return *m_survey; }

    TrendView* view = nullptr;
    // Report...: a PDF survey report, or its statistics as CSV; once everything is read.
    QPushButton* reportButton = nullptr;
    void openReportDialog();
    // The report over those options, offered in the save dialog.
    void saveReport(const report::ReportOptions& options);
    QString statusText() const;
    QString statisticsText() const;

signals:
    // Everything is read, or reading stopped at a line that does not read.
    void finishedReading();

private:
    void readMore();
    void showStatus();
    void showStatistics();
    void updateMarks();
    void save();

    std::unique_ptr<survey::Survey> m_survey;
    platform::SaveDialog& m_saveDialog;
    platform::MessageBoxes& m_messages;
    ElidedLabel* m_status = nullptr;
    QLabel* m_statistics = nullptr;
    QTimer m_reader;
    std::size_t m_marked = 0; // events already among the marks
    int m_saveType = 0;
    int m_reportType = 1;
};

} // namespace korvane::app
