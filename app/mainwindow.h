// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "notify/notifier.h"
#include "platform/messageboxes.h"
#include "platform/savedialog.h"
#include "platform/windowcapture.h"
#include "session/metersession.h"

#include <QWidget>

#include <chrono>
#include <vector>

class QLabel;
class QProgressBar;
class QTabWidget;
class QTableView;
class QToolButton;

namespace korvane::app {

class AlarmsDialog;
class EnergyDialog;
class HelpBox;
class LogControl;
class LogWindow;
class OverviewPage;
class Page;
class PhasorPage;
class PhasorView;
class PublishControl;
class RealtimePage;
class RecordPage;
class TrendPage;
class TrendView;
class WatchControl;

// What the window is built from; the composition root passes real ones, tests fakes.
struct MainWindowParts
{
    session::MeterSession& session;
    platform::MessageBoxes& messages;
    platform::SaveDialog& saveDialog;
    platform::WindowCapture& capture;
};

// The one window: a tab strip of pages over the meter session, five buttons down the right edge
// and two status labels under them. It opens at its laid-out size and grows with its user: the
// pages take the room, the buttons and labels keep to the right edge.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(MainWindowParts parts, QWidget* parent = nullptr);

    void startUp();
    void onTabChosen();
    void onReadClicked();
    void updateReadButton();
    void onSaveClicked();
    void onClearClicked();
    void onHelpClicked();
    void onCloseClicked();
    // The next close does not ask, even with a log or publishing running: the program is told
    // to end (a signal, the desktop session ending).
    void closeWithoutAsking() { m_askBeforeClosing = false; }
    // The language chosen in Help before (a code, empty for the system's).
    void setLanguageChoice(const QString& code) { m_languageChoice = code; }
    // Help's box while it exists: made at the first Help.
    HelpBox* helpBox() const { return m_helpBox; }

    session::MeterSession& session() { return m_session; }
    Page& currentPage() const;

    enum Tab { kRealtimeTab, kRecordTab, kTrendTab, kPhasorTab, kOverviewTab };

    QTabWidget* tabs = nullptr;
    RealtimePage* realtimePage = nullptr;
    RecordPage* recordPage = nullptr;
    TrendPage* trendPage = nullptr;
    PhasorPage* phasorPage = nullptr;
    OverviewPage* overviewPage = nullptr;
    QToolButton* readButton = nullptr;
    QToolButton* saveButton = nullptr;
    QToolButton* clearButton = nullptr;
    QToolButton* helpButton = nullptr;
    QToolButton* closeButton = nullptr;
    QLabel* portStatusLabel = nullptr;
    QLabel* linkStatusLabel = nullptr;
    QProgressBar* downloadProgress = nullptr;
    // Across the foot of every page while an alarm is raised.
    QLabel* alarmBanner = nullptr;
    // Energy and alarms over the session; the totals kept in dataFolder.
    WatchControl* watchControl = nullptr;
    // The Alarms and Energy dialogs while they exist: made when first opened.
    AlarmsDialog* alarmsDialog() const { return m_alarmsDialog; }
    void openAlarmsDialog();
    EnergyDialog* energyDialog() const { return m_energyDialog; }
    void openEnergyDialog();
    // Asks, then starts the energy and its cost again from zero.
    void askToResetEnergy();
    // Saved logs shown as one survey in a window of their own; files that cannot be read are
    // said in a message (and in *error). The window, or null.
    LogWindow* openLogs(const QStringList& files, QString* error = nullptr);
    void askToOpenLogs();

    // The parts other code reaches by name.
    QWidget* readingsPanel = nullptr;
    QTableView* recordGrid = nullptr;
    TrendView* trendView = nullptr;
    PhasorView* phasorView = nullptr;
    LogControl* logControl = nullptr;
    PublishControl* publishControl = nullptr;

signals:
    // Chosen in Help; it applies at the next start.
    void languageChosen(const QString& code);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void showPortAttempt(const link::PortAttempt& attempt);
    void showLinkState(link::LinkState state);
    void updateSave();

    void buildControls();
    void addShortcuts();
    void placeControls();
    void fitStatusLabel(QLabel* label);
    void onDownloadProgress(int records, int count);
    void onDownloadEnded(const link::DownloadResult& result);
    void askToDownload(int count, std::chrono::milliseconds estimate);
    void showAlarms();
    QStringList energyLines() const;

    session::MeterSession& m_session;
    platform::MessageBoxes& m_messages;
    platform::SaveDialog& m_saveDialog;
    platform::WindowCapture& m_capture;
    std::vector<Page*> m_pages;                             // in the order of their tabs
    std::vector<std::pair<QToolButton*, int>> m_buttonTops; // laid-out tops, in twips
    // The save dialog's selected type, shared by the live-view and record saves for the life
    // of the window.
    int m_typeIndex = 1;
    bool m_askBeforeClosing = true;
    QString m_languageChoice;
    HelpBox* m_helpBox = nullptr;
    AlarmsDialog* m_alarmsDialog = nullptr;
    EnergyDialog* m_energyDialog = nullptr;
    std::unique_ptr<notify::Notifier> m_notifier;
};

} // namespace korvane::app
