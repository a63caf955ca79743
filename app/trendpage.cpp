// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendpage.h"
#include "app/logcontrol.h"
#include "app/publishcontrol.h"
#include "app/trendview.h"
#include "export/picture.h"
#include "export/trendcsv.h"

#include <QVBoxLayout>

namespace korvane::app {

TrendPage::TrendPage(session::MeterSession& session, platform::SaveDialog& saveDialog,
                     platform::MessageBoxes& messages, QWidget* parent)
    : QWidget(parent), m_session(session)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view = new TrendView(session.trend(), this);
    layout->addWidget(view);
    logControl = new LogControl(session, saveDialog, messages, view);
    view->addControl(logControl);
    publishControl = new PublishControl(session, view);
    view->addControl(publishControl);
    connect(&session, &session::MeterSession::readingReceived, view, &TrendView::samplesArrived);
    connect(view, &TrendView::openInWindowRequested, this, &TrendPage::openPopOut);
}

void TrendPage::shown()
{
    view->redraw();
}

TrendView* TrendPage::openPopOut()
{
    if (!m_popOut) {
        // Over the same samples, resizable; it closes with the main window.
        m_popOut = new TrendView(m_session.trend(), window());
        m_popOut->setWindowFlag(Qt::Window);
        m_popOut->setAttribute(Qt::WA_DeleteOnClose);
        m_popOut->setWindowTitle(QStringLiteral("Korvane: trend"));
        m_popOut->setDetached();
        m_popOut->setChosen(view->chosen());
        m_popOut->resize(960, 540);
        connect(&m_session, &session::MeterSession::readingReceived, m_popOut,
                &TrendView::samplesArrived);
    }
    m_popOut->show();
    m_popOut->raise();
    m_popOut->activateWindow();
    m_popOut->redraw();
    return m_popOut;
}

SaveOffer TrendPage::saveOffer()
{
    // The chart as it is when Save is clicked, and the span it shows.
    const QImage shot = view->chartImage();
    const qint64 from = view->shownFrom();
    const qint64 to = view->shownTo();
    const QList<measure::Key> keys = view->chosen();
    const trend::TrendStore& store = m_session.trend();
    return {QStringLiteral("Korvane trend"),
            {{QStringLiteral("png (*.png)"), QStringLiteral("png"),
              [shot](const QString& path) { return exporting::savePng(path, shot); }},
             {QStringLiteral("csv (*.csv)"), QStringLiteral("csv"),
              [&store, keys, from, to](const QString& path) {
                  return exporting::saveTrendCsv(path, store, keys, from, to + 1);
              }}}};
}

} // namespace korvane::app
