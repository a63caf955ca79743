#include "app/form1.h"
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

Form1::Form1(Form1Parts parts, QWidget* parent)
    : QWidget(parent), m_session(parts.session), m_messages(parts.messages),
      m_saveDialog(parts.saveDialog), m_capture(parts.capture)
{
    using session::MeterSession;
    buildControls();
    connect(TabStrip1, &QTabWidget::tabBarClicked, this, [this](int) {
        // The click's own index is read from the strip once the selection has moved.
        QMetaObject::invokeMethod(this, &Form1::TabStrip1_Click, Qt::QueuedConnection);
    });
    connect(TabStrip1, &QTabWidget::currentChanged, this, &Form1::TabStrip1_Click);
    connect(Button_read, &QToolButton::clicked, this, &Form1::Button_read_Click);
    connect(Button_save, &QToolButton::clicked, this, &Form1::Button_save_Click);
    connect(Button_clear, &QToolButton::clicked, this, &Form1::Button_clear_Click);
    connect(Button_help, &QToolButton::clicked, this, &Form1::Button_help_Click);
    connect(Button_close, &QToolButton::clicked, this, &Form1::Button_close_Click);
    connect(&m_session, &MeterSession::portStatusChanged, this, &Form1::setPortStatus);
    connect(&m_session, &MeterSession::linkStatusChanged, this, &Form1::setLinkStatus);
    connect(&m_session, &MeterSession::downloadProgress, this, &Form1::onDownloadProgress);
    connect(&m_session, &MeterSession::downloadEnded, this, &Form1::onDownloadEnded);
    connect(&m_session, &MeterSession::linkLost, this, [this] {
        showReadingsStale(true);
        platform::releaseFreedMemory();
    });
    connect(&m_session, &MeterSession::readingReceived, this,
            [this](const measure::Reading& reading) {
                measure::applyTo(measure::liveTexts(reading), *this);
                showReadingsStale(false);
            });
    Form_Load();
}

void Form1::Form_Load()
{
    m_recordTab = false;
    m_session.setPolling(link::Polling::LiveFrames);
    m_session.start();
    Frame_realtime->show();
    TabStrip1->setCurrentIndex(0);
    gridinit();
}

void Form1::TabStrip1_Click()
{
    m_recordTab = TabStrip1->currentIndex() != 0;
    m_session.setPolling(m_recordTab ? link::Polling::KeepAlive : link::Polling::LiveFrames);
    if (!m_recordTab) {
        Frame_realtime->show();
        Button_clear->setEnabled(false);
        Button_read->setEnabled(false);
    } else {
        Frame_realtime->hide();
        Button_clear->setEnabled(true);
        Button_read->setEnabled(true);
    }
}

void Form1::Button_read_Click()
{
    if (m_recordTab)
        m_session.readRecords();
}

void Form1::Button_clear_Click()
{
    gridinit();
    platform::releaseFreedMemory();
}

void Form1::Button_help_Click()
{
    // The message's carriage returns are its line breaks.
    const QString text = QStringLiteral("Korvane.\r Please contact us for more information!\r");
    m_messages.information(QStringLiteral("Thank you for using our product."),
                           QString(text).replace(u'\r', u'\n'));
}

void Form1::Button_close_Click()
{
    m_session.closePort();
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    m_session.closePort();
    event->accept();
}

void Form1::setPortStatus(const QString& text, const QString& device, const QString& problem)
{
    Lab_comsta->setText(text);
    QString tip = device.isEmpty() ? QStringLiteral("no device") : device;
    if (!problem.isEmpty())
        tip += u'\n' + problem;
    Lab_comsta->setToolTip(tip);
    fitStatusLabel(Lab_comsta);
}

void Form1::setLinkStatus(const QString& text)
{
    Lab_consta->setText(text);
    fitStatusLabel(Lab_consta);
}

void Form1::showReadingsStale(bool stale)
{
    m_readingsStale = stale;
    if (!m_capturing)
        Frame_realtime->setEnabled(!stale);
}

void Form1::setCaption(int row, const QString& text)
{
    Lab_testpro[row]->setText(text);
}

void Form1::setValue(int row, const QString& text)
{
    Lab_value[row]->setText(text);
}

void Form1::onDownloadProgress(int records, int count)
{
    downloadProgress->setRange(0, count);
    downloadProgress->setValue(records);
    downloadProgress->show();
}

void Form1::onDownloadEnded(const link::DownloadResult& result)
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
