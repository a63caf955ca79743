// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendpage.h"

#include "app/filetypes.h"
#include "app/logcontrol.h"
#include "app/publishcontrol.h"
#include "app/saveflow.h"
#include "app/trendview.h"
#include "export/picture.h"
#include "export/trendcsv.h"

#include <QVBoxLayout>

namespace korvane::app {

TrendPage::TrendPage(session::MeterSession& session, platform::SaveDialog& saveDialog,
                     platform::MessageBoxes& messages, QWidget* parent)
    : QWidget(parent), m_session(session), m_saveDialog(saveDialog), m_messages(messages)
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
    TrendView* popOut = view->openPopOut();
    connect(popOut, &TrendView::saveRequested, this, &TrendPage::savePopOut, Qt::UniqueConnection);
    return popOut;
}

void TrendPage::savePopOut()
{
    if (TrendView* popOut = view->popOut())
        runSave(offerOf(*popOut, m_session.trend()), m_saveType, m_saveDialog, m_messages);
}

SaveOffer TrendPage::saveOffer()
{
    return offerOf(*view, m_session.trend());
}

SaveOffer TrendPage::offerOf(TrendView& shown, const trend::TrendStore& store)
{
    // The chart as it is when Save is clicked, and the span it shows.
    const QImage shot = shown.chartImage();
    const qint64 from = shown.shownFrom();
    const qint64 to = shown.shownTo();
    const QList<measure::Key> keys = shown.chosen();
    return {
        QStringLiteral("Korvane trend"),
        {{FileTypes::png(), QStringLiteral("png"),
          [shot](const QString& path) { return exporting::savePng(path, shot); }},
         {FileTypes::csv(), QStringLiteral("csv"), [&store, keys, from, to](const QString& path) {
              return exporting::saveTrendCsv(path, store, keys, from, to + 1);
          }}}};
}

} // namespace korvane::app
