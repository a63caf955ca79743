// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/phasorpage.h"
#include "app/phasorview.h"
#include "export/picture.h"

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
    const QImage shot = view->grab().toImage();
    return {QStringLiteral("Korvane phasor"),
            {{QStringLiteral("png (*.png)"), QStringLiteral("png"),
              [shot](const QString& path) { return exporting::savePng(path, shot); }}}};
}

} // namespace korvane::app
