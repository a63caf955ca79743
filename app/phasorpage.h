// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/page.h"
#include "session/metersession.h"

#include <QWidget>

namespace korvane::app {

class PhasorView;

// The phasor diagram over the session's snapshot. Save offers it as PNG with its numbers and
// the time, or the numbers as text.
class PhasorPage : public QWidget, public Page
{
    Q_OBJECT
public:
    explicit PhasorPage(session::MeterSession& session, QWidget* parent = nullptr);

    QString title() const override { return tr("Phasor"); }
    QWidget* widget() override { return this; }
    SaveOffer saveOffer() override;
    int& saveType() override { return m_saveType; }

    PhasorView* view = nullptr;

private:
    session::MeterSession& m_session;
    int m_saveType = 1;
};

} // namespace korvane::app
