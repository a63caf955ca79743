// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/headingsproxymodel.h"
#include "export/saveresult.h"
#include "measure/liveview.h"
#include "platform/messageboxes.h"
#include "platform/savedialog.h"
#include "platform/windowcapture.h"
#include "session/metersession.h"

#include <QWidget>

#include <array>

class QFrame;
class QLabel;
class QProgressBar;
class QTabWidget;
class QTableView;
class QToolButton;

namespace korvane::app {

class LogControl;
class PublishControl;
class PhasorView;
class TrendView;

// What the window is built from; the composition root passes real ones, tests fakes.
struct MainWindowParts
{
    session::MeterSession& session;
    platform::MessageBoxes& messages;
    platform::SaveDialog& saveDialog;
    platform::WindowCapture& capture;
};

// The one window: two tabs (live readings, record table), five buttons, two status labels. A
// shell over the meter session: it shows what the session reports and tells it what to poll.
class MainWindow : public QWidget, private measure::LiveView
{
    Q_OBJECT
public:
    explicit MainWindow(MainWindowParts parts, QWidget* parent = nullptr);

    void startUp();
    void onTabChosen();
    void onReadClicked();
    void onSaveClicked();
    void saveLiveView();
    void saveRecords();
    void saveTrend();
    void onClearClicked();
    void onHelpClicked();
    void onCloseClicked();

    session::MeterSession& session() { return m_session; }

    // The controls, by their names.
    std::array<QLabel*, measure::kLiveRows> captionLabels{};
    std::array<QLabel*, measure::kLiveRows> valueLabels{};
    QFrame* readingsPanel = nullptr;
    QToolButton* readButton = nullptr;
    QToolButton* saveButton = nullptr;
    QToolButton* clearButton = nullptr;
    QToolButton* helpButton = nullptr;
    QToolButton* closeButton = nullptr;
    QTableView* recordGrid = nullptr;
    QTabWidget* tabs = nullptr;
    TrendView* trendView = nullptr;
    PhasorView* phasorView = nullptr;
    LogControl* logControl = nullptr;
    PublishControl* publishControl = nullptr;

    enum Tab { kRealtimeTab, kRecordTab, kTrendTab, kPhasorTab };
    QLabel* portStatusLabel = nullptr;
    QLabel* linkStatusLabel = nullptr;
    QProgressBar* downloadProgress = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setPortStatus(const QString& text, const QString& device, const QString& problem);
    void setLinkStatus(const QString& text);
    void setCaption(int row, const QString& text) override;
    void setValue(int row, const QString& text) override;

    void buildControls();
    void gridinit();
    void fitStatusLabel(QLabel* label);
    // From a loss until the next frame the readings keep their texts but show greyed.
    void showReadingsStale(bool stale);
    void onDownloadProgress(int records, int count);
    void onDownloadEnded(const link::DownloadResult& result);
    void reportSave(const exporting::SaveResult& result);
    QImage captureAsSaved();
    void openTrendWindow();

    session::MeterSession& m_session;
    platform::MessageBoxes& m_messages;
    platform::SaveDialog& m_saveDialog;
    platform::WindowCapture& m_capture;
    // The save dialog's selected type, shared by both saves for the life of the window.
    int m_typeIndex = 1;
    int m_trendTypeIndex = 1;
    HeadingsProxyModel m_gridModel;
    bool m_recordTab = false; // the tab the user chose last: Record, else Realtime
    bool m_readingsStale = false;
    bool m_capturing = false;
};

} // namespace korvane::app
