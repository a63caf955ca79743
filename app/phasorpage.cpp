// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/phasorpage.h"

#include "app/filetypes.h"
#include "app/phasorview.h"
#include "export/phasortext.h"
#include "export/picture.h"

#include <QDateTime>
#include <QVBoxLayout>

namespace korvane::app {

PhasorPage::PhasorPage(session::MeterSession& session, QWidget* parent)
    : QWidget(parent), m_session(session)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view = new PhasorView(session.snapshot(), this);
    layout->addWidget(view);
    using session::MeterSession;
    connect(&session, &MeterSession::readingReceived, view, [this] { view->setStale(false); });
    connect(&session, &MeterSession::linkLost, view, [this] { view->setStale(true); });
}

SaveOffer PhasorPage::saveOffer()
{
    // The diagram and its numbers as they are when Save is clicked.
    const qint64 now = m_session.now();
    const QImage shot = view->renderForSave(QDateTime::fromMSecsSinceEpoch(now));
    const measure::Snapshot snapshot = m_session.snapshot();
    return {QStringLiteral("Korvane phasor"),
            {{FileTypes::png(), QStringLiteral("png"),
              [shot](const QString& path) { return exporting::savePng(path, shot); }},
             {FileTypes::text(), QStringLiteral("txt"), [snapshot, now](const QString& path) {
                  return exporting::savePhasorText(path, snapshot, now);
              }}}};
}

} // namespace korvane::app
