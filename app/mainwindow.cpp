// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "app/alarmsdialog.h"
#include "app/energydialog.h"
#include "app/helpbox.h"
#include "app/logcontrol.h"
#include "app/logwindow.h"
#include "app/overviewpage.h"
#include "app/page.h"
#include "app/publishcontrol.h"
#include "app/recordpage.h"
#include "app/savefolder.h"
#include "app/statustexts.h"
#include "app/traynotifier.h"
#include "app/watchcontrol.h"
#include "platform/freedmemory.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace korvane::app {

MainWindow::MainWindow(MainWindowParts parts, QWidget* parent)
    : QWidget(parent), m_session(parts.session), m_messages(parts.messages),
      m_saveDialog(parts.saveDialog), m_capture(parts.capture), m_notifier(systemNotifier())
{
    using session::MeterSession;
    buildControls();
    addShortcuts();
    if (auto* tray = qobject_cast<TrayNotifier*>(m_notifier.get())) {
        connect(tray, &TrayNotifier::activated, this, [this] {
            if (isMinimized())
                showNormal();
            raise();
            activateWindow();
        });
    }
    connect(tabs, &QTabWidget::tabBarClicked, this, [this](int) {
        // The click's own index is read from the strip once the selection has moved.
        QMetaObject::invokeMethod(this, &MainWindow::onTabChosen, Qt::QueuedConnection);
    });
    connect(tabs, &QTabWidget::currentChanged, this, &MainWindow::onTabChosen);
    connect(readButton, &QToolButton::clicked, this, &MainWindow::onReadClicked);
    connect(saveButton, &QToolButton::clicked, this, &MainWindow::onSaveClicked);
    connect(clearButton, &QToolButton::clicked, this, &MainWindow::onClearClicked);
    connect(helpButton, &QToolButton::clicked, this, &MainWindow::onHelpClicked);
    connect(closeButton, &QToolButton::clicked, this, &MainWindow::onCloseClicked);
    connect(&m_session, &MeterSession::portAttempted, this, &MainWindow::showPortAttempt);
    connect(&m_session, &MeterSession::linkStateChanged, this, &MainWindow::showLinkState);
    connect(&m_session, &MeterSession::downloadProgress, this, &MainWindow::onDownloadProgress);
    connect(&m_session, &MeterSession::downloadEnded, this, &MainWindow::onDownloadEnded);
    connect(&m_session, &MeterSession::downloadWaiting, this, &MainWindow::askToDownload);
    // A table still downloading is not saved: Save waits for the end.
    connect(&m_session, &MeterSession::downloadProgress, this, &MainWindow::updateSave);
    connect(&m_session, &MeterSession::downloadEnded, this, &MainWindow::updateSave);
    connect(&m_session, &MeterSession::downloadEnded, this, &MainWindow::updateReadButton);
    connect(&m_session, &MeterSession::downloadWaiting, this, &MainWindow::updateReadButton);
    connect(&m_session, &MeterSession::linkLost, this, [] { platform::releaseFreedMemory(); });
    connect(watchControl, &WatchControl::changed, this, &MainWindow::showAlarms);
    connect(watchControl, &WatchControl::commandProblem, this,
            [this](const QString& text) { overviewPage->setAlarmProblem(text); });
    connect(overviewPage->alarmsButton(), &QPushButton::clicked, this,
            &MainWindow::openAlarmsDialog);
    connect(logControl->openButton(), &QPushButton::clicked, this, &MainWindow::askToOpenLogs);
    setAcceptDrops(true);
    connect(overviewPage->energyButton(), &QPushButton::clicked, this,
            &MainWindow::openEnergyDialog);
    connect(overviewPage->resetEnergyButton(), &QPushButton::clicked, this,
            &MainWindow::askToResetEnergy);
    connect(watchControl, &WatchControl::energyChanged, overviewPage, &OverviewPage::refreshEnergy);
    connect(&m_session, &MeterSession::linkLost, overviewPage, &OverviewPage::refreshEnergy);
    overviewPage->setEnergySource([this] { return energyLines(); });
    watchControl->setAlarms(AlarmSettings::load());
    watchControl->setEnergy(EnergySettings::load());
    startUp();
}

Page& MainWindow::currentPage() const
{
    return *m_pages.at(std::size_t(std::max(0, tabs->currentIndex())));
}

void MainWindow::startUp()
{
    m_session.setPolling(link::Polling::LiveFrames);
    m_session.start();
    tabs->setCurrentIndex(kRealtimeTab);
    onTabChosen();
    recordPage->gridinit();
    // Space or Enter right after start must not press a button.
    tabs->setFocus();
}

void MainWindow::onTabChosen()
{
    Page& shown = currentPage();
    m_session.setPolling(shown.polling());
    for (Page* page : m_pages)
        page->widget()->setVisible(page == &shown);
    shown.shown();
    clearButton->setEnabled(shown.takesRecordActions());
    readButton->setEnabled(shown.takesRecordActions());
    updateSave();
}

void MainWindow::updateSave()
{
    saveButton->setEnabled(currentPage().canSave());
}

void MainWindow::onReadClicked()
{
    if (!currentPage().takesRecordActions())
        return;
    // While a download runs the button is its Cancel.
    if (m_session.downloading())
        m_session.cancelDownload();
    else
        m_session.readRecords();
    updateReadButton();
    updateSave();
}

void MainWindow::updateReadButton()
{
    const bool cancels = m_session.downloading();
    readButton->setText(cancels ? tr("Ca&ncel") : tr("&Read"));
    readButton->setToolTip(
        tr("%1 (%2)", "a button and its shortcut")
            .arg(readButton->text().remove(u'&'),
                 QKeySequence(Qt::CTRL | Qt::Key_R).toString(QKeySequence::NativeText)));
}

void MainWindow::onClearClicked()
{
    if (!currentPage().takesRecordActions())
        return;
    recordPage->gridinit();
    platform::releaseFreedMemory();
}

void MainWindow::openAlarmsDialog()
{
    if (!m_alarmsDialog) {
        m_alarmsDialog = new AlarmsDialog(this);
        connect(m_alarmsDialog, &AlarmsDialog::alarmsChosen, this,
                [this](const QList<AlarmSetting>& alarms) {
                    AlarmSettings::save(alarms);
                    watchControl->setAlarms(alarms);
                });
    }
    m_alarmsDialog->setAlarms(watchControl->alarms());
    // Modal to the window but returning at once: the link goes on meanwhile.
    m_alarmsDialog->open();
}

void MainWindow::openEnergyDialog()
{
    if (!m_energyDialog) {
        m_energyDialog = new EnergyDialog(this);
        connect(m_energyDialog, &EnergyDialog::settingChosen, this,
                [this](const EnergySetting& setting) {
                    EnergySettings::save(setting);
                    watchControl->setEnergy(setting);
                });
    }
    m_energyDialog->setSetting(watchControl->energy());
    m_energyDialog->open();
}

LogWindow* MainWindow::openLogs(const QStringList& files, QString* error)
{
    if (files.isEmpty())
        return nullptr;
    auto* window = new LogWindow(files, m_saveDialog, m_messages, this);
    if (!window->open()) {
        if (error)
            *error = window->error();
        m_messages.warning(QStringLiteral("Korvane"), window->error());
        delete window;
        return nullptr;
    }
    window->show();
    return window;
}

void MainWindow::askToOpenLogs()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(this, tr("Open log"), defaultSaveFolder(),
                                      tr("Korvane logs (*.csv *.jsonl);;All files (*)"));
    openLogs(files);
}

namespace {
QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop has ended: a message about a file that does not read must not sit in it.
    QMetaObject::invokeMethod(
        this, [this, files] { openLogs(files); }, Qt::QueuedConnection);
}

void MainWindow::askToResetEnergy()
{
    m_messages.question(QStringLiteral("Korvane"),
                        tr("Start the energy and its cost again from zero? The totals so far are "
                           "forgotten."),
                        tr("Reset energy"), [this] { watchControl->resetEnergy(); });
}

QStringList MainWindow::energyLines() const
{
    QStringList lines;
    if (watchControl->waitingForMeter()) {
        lines << StatusTexts::energyWaiting();
    } else if (const energy::Totals* totals = watchControl->totals()) {
        lines << StatusTexts::energy(*totals, watchControl->costNow(), watchControl->currency());
        if (const auto idle = watchControl->notAccumulating())
            lines << StatusTexts::energyIdle(*idle);
    }
    if (watchControl->energy().on && !watchControl->energyProblem().isEmpty())
        lines << watchControl->energyProblem();
    return lines;
}

void MainWindow::showAlarms()
{
    const auto& raised = watchControl->raised();
    alarmBanner->setText(raised.isEmpty() ? QString() : StatusTexts::alarmBanner(raised));
    alarmBanner->setToolTip(alarmBanner->text());
    alarmBanner->setVisible(!raised.isEmpty());
    QStringList lines;
    for (const alarms::AlarmEvent& event : watchControl->recent())
        lines.prepend(StatusTexts::alarmLine(event));
    overviewPage->setAlarmLines(lines, watchControl->alarms().size());
    placeControls();
}

void MainWindow::onHelpClicked()
{
    if (!m_helpBox) {
        m_helpBox = new HelpBox(m_languageChoice, this);
        connect(m_helpBox, &HelpBox::languageChosen, this, [this](const QString& code) {
            m_languageChoice = code;
            emit languageChosen(code);
        });
    }
    // Modal to the window but returning at once: the link goes on meanwhile.
    m_helpBox->open();
    m_helpBox->raise();
}

void MainWindow::onCloseClicked()
{
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Energy and alarms end with the window (the totals are saved); a log or publishing is a
    // file or a feed the user may not mean to cut short.
    if (m_askBeforeClosing && (logControl->logging() || publishControl->publishing())) {
        event->ignore();
        m_messages.question(QStringLiteral("Korvane"),
                            tr("Closing Korvane stops the log or publishing that is running. "
                               "Stop and close?"),
                            tr("Stop and close"), [this] {
                                m_askBeforeClosing = false;
                                close();
                            });
        return;
    }
    m_session.closePort();
    event->accept();
}

void MainWindow::showPortAttempt(const link::PortAttempt& attempt)
{
    portStatusLabel->setText(StatusTexts::port(attempt));
    portStatusLabel->setToolTip(StatusTexts::portTip(attempt));
    fitStatusLabel(portStatusLabel);
}

void MainWindow::showLinkState(link::LinkState state)
{
    linkStatusLabel->setText(StatusTexts::linkState(state));
    fitStatusLabel(linkStatusLabel);
}

void MainWindow::onDownloadProgress(int records, int count)
{
    downloadProgress->setRange(0, count);
    downloadProgress->setValue(records);
    downloadProgress->show();
}

void MainWindow::askToDownload(int count, std::chrono::milliseconds estimate)
{
    // Only asked while a log or publishing needs live readings: the dump stops them.
    const QString duration = StatusTexts::duration(estimate);
    m_messages.question(
        QStringLiteral("Korvane"),
        tr("The meter holds %1 %2; downloading takes about %3. Live readings pause meanwhile, "
           "so the log and publishing get none until it ends.")
            .arg(count)
            .arg(count == 1 ? tr("record") : tr("records"), duration),
        tr("Download"),
        [this] {
            if (m_session.waitingForGo())
                m_session.continueDownload();
        },
        [this] {
            if (m_session.waitingForGo())
                m_session.cancelDownload();
        });
}

void MainWindow::onDownloadEnded(const link::DownloadResult& result)
{
    downloadProgress->hide();
    platform::releaseFreedMemory();
    using Outcome = link::DownloadResult::Outcome;
    const QString title = QStringLiteral("Korvane");
    switch (result.outcome) {
    case Outcome::Complete:
        // A meter with no records: the grid as Clear leaves it.
        if (result.count == 0)
            recordPage->gridinit();
        return;
    case Outcome::Incomplete:
        m_messages.warning(title, tr("The download is incomplete: the meter fell "
                                     "silent after %1 of %2 records.")
                                      .arg(result.received)
                                      .arg(result.count));
        return;
    case Outcome::BadCount:
        m_messages.warning(title, tr("The meter's answer to the record count was "
                                     "malformed. Press Read to try again."));
        return;
    case Outcome::NoCount:
        m_messages.warning(title, tr("The meter did not answer the record count "
                                     "request. Press Read to try again."));
        return;
    case Outcome::Cancelled:
    case Outcome::Stopped:
        // The user's own choice: the Record page says what was kept.
        return;
    }
}

} // namespace korvane::app
