// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/page.h"
#include "platform/messageboxes.h"
#include "platform/savedialog.h"
#include "session/metersession.h"

#include <QWidget>

namespace korvane::app {

class LogControl;
class PublishControl;
class TrendView;

// Any quantities over time, with the controls that start a log and publishing above the chart.
// Save offers the chart as PNG or the samples on show as CSV.
class TrendPage : public QWidget, public Page
{
    Q_OBJECT
public:
    TrendPage(session::MeterSession& session, platform::SaveDialog& saveDialog,
              platform::MessageBoxes& messages, QWidget* parent = nullptr);

    QString title() const override { return tr("Trend"); }
    QWidget* widget() override { return this; }
    SaveOffer saveOffer() override;
    int& saveType() override { return m_saveType; }
    void shown() override;

    TrendView* view = nullptr;
    LogControl* logControl = nullptr;
    PublishControl* publishControl = nullptr;
    // The trend in a resizable window of its own, raised if it is open already; its own Save
    // offers the same as the tab's, of the view it shows.
    TrendView* openPopOut();

    // The chart as shown, as PNG, or its samples over the span shown, as CSV.
    static SaveOffer offerOf(TrendView& shown, const trend::TrendStore& store);

private:
    void savePopOut();

    session::MeterSession& m_session;
    platform::SaveDialog& m_saveDialog;
    platform::MessageBoxes& m_messages;
    int m_saveType = 1; // the tab's and the pop-out's
};

} // namespace korvane::app
