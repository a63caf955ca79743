// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "app/phasorview.h"
#include "app/trendview.h"
#include "measure/livetexts.h"
#include "platform/freedmemory.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

namespace korvane::app {

MainWindow::MainWindow(MainWindowParts parts, QWidget* parent)
    : QWidget(parent), m_session(parts.session), m_messages(parts.messages),
      m_saveDialog(parts.saveDialog), m_capture(parts.capture)
{
    using session::MeterSession;
    buildControls();
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
    connect(&m_session, &MeterSession::portStatusChanged, this, &MainWindow::setPortStatus);
    connect(&m_session, &MeterSession::linkStatusChanged, this, &MainWindow::setLinkStatus);
    connect(&m_session, &MeterSession::downloadProgress, this, &MainWindow::onDownloadProgress);
    connect(&m_session, &MeterSession::downloadEnded, this, &MainWindow::onDownloadEnded);
    connect(&m_session, &MeterSession::linkLost, this, [this] {
        showReadingsStale(true);
        phasorView->setStale(true);
        platform::releaseFreedMemory();
    });
    connect(&m_session, &MeterSession::readingReceived, this,
            [this](const measure::Reading& reading) {
                measure::applyTo(measure::liveTexts(reading), *this);
                showReadingsStale(false);
                phasorView->setStale(false);
                trendView->samplesArrived();
            });
    connect(trendView, &TrendView::openInWindowRequested, this, &MainWindow::openTrendWindow);
    startUp();
}

void MainWindow::startUp()
{
    m_recordTab = false;
    m_session.setPolling(link::Polling::LiveFrames);
    m_session.start();
    readingsPanel->show();
    phasorView->hide();
    trendView->hide();
    tabs->setCurrentIndex(kRealtimeTab);
    gridinit();
}

void MainWindow::onTabChosen()
{
    const int tab = tabs->currentIndex();
    m_recordTab = tab == kRecordTab;
    // Every tab but the record table shows live readings, so the meter is polled for them.
    m_session.setPolling(m_recordTab ? link::Polling::KeepAlive : link::Polling::LiveFrames);
    readingsPanel->setVisible(tab == kRealtimeTab);
    phasorView->setVisible(tab == kPhasorTab);
    trendView->setVisible(tab == kTrendTab);
    if (tab == kTrendTab)
        trendView->redraw();
    clearButton->setEnabled(m_recordTab);
    readButton->setEnabled(m_recordTab);
}

void MainWindow::openTrendWindow()
{
    trendView->openPopOut();
}

void MainWindow::onReadClicked()
{
    if (m_recordTab)
        m_session.readRecords();
}

void MainWindow::onClearClicked()
{
    gridinit();
    platform::releaseFreedMemory();
}

void MainWindow::onHelpClicked()
{
    // The message's carriage returns are its line breaks.
    const QString text = QStringLiteral("Korvane.\r Please contact us for more information!\r");
    m_messages.information(QStringLiteral("Thank you for using our product."),
                           QString(text).replace(u'\r', u'\n'));
}

void MainWindow::onCloseClicked()
{
    m_session.closePort();
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_session.closePort();
    event->accept();
}

void MainWindow::setPortStatus(const QString& text, const QString& device, const QString& problem)
{
    portStatusLabel->setText(text);
    QString tip = device.isEmpty() ? QStringLiteral("no device") : device;
    if (!problem.isEmpty())
        tip += u'\n' + problem;
    portStatusLabel->setToolTip(tip);
    fitStatusLabel(portStatusLabel);
}

void MainWindow::setLinkStatus(const QString& text)
{
    linkStatusLabel->setText(text);
    fitStatusLabel(linkStatusLabel);
}

void MainWindow::showReadingsStale(bool stale)
{
    m_readingsStale = stale;
    if (!m_capturing)
        readingsPanel->setEnabled(!stale);
}

void MainWindow::setCaption(int row, const QString& text)
{
    captionLabels[row]->setText(text);
}

void MainWindow::setValue(int row, const QString& text)
{
    valueLabels[row]->setText(text);
}

void MainWindow::onDownloadProgress(int records, int count)
{
    downloadProgress->setRange(0, count);
    downloadProgress->setValue(records);
    downloadProgress->show();
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
            gridinit();
        return;
    case Outcome::Incomplete:
        m_messages.warning(title, QStringLiteral("The download is incomplete: the meter fell "
                                                 "silent after %1 of %2 records.")
                                      .arg(result.received)
                                      .arg(result.count));
        return;
    case Outcome::BadCount:
        m_messages.warning(title, QStringLiteral("The meter's answer to the record count was "
                                                 "malformed. Press Read to try again."));
        return;
    case Outcome::NoCount:
        m_messages.warning(title, QStringLiteral("The meter did not answer the record count "
                                                 "request. Press Read to try again."));
        return;
    }
}

} // namespace korvane::app
