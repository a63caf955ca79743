// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/page.h"
#include "measure/liveview.h"
#include "platform/windowcapture.h"
#include "session/metersession.h"

#include <QFrame>

#include <array>

class QLabel;

namespace korvane::app {

// The live readings as the meter's display shows them: six rows of caption and value, one frame
// kind at a time. From a lost link until the next frame the rows keep their texts, greyed. Save
// offers a picture of the whole window (what the user sees, status and all, is what a customer
// is sent) or the rows as text.
class RealtimePage : public QFrame, public Page, private measure::LiveView
{
    Q_OBJECT
public:
    RealtimePage(session::MeterSession& session, platform::WindowCapture& capture, QWidget& window,
                 int& saveType, QWidget* parent = nullptr);

    QString title() const override { return tr("Realtime"); }
    QWidget* widget() override { return this; }
    SaveOffer saveOffer() override;
    int& saveType() override { return m_saveType; }

    std::array<QLabel*, measure::kLiveRows> captionLabels{};
    std::array<QLabel*, measure::kLiveRows> valueLabels{};
    // "stale" at the right end of each value while the readings are old.
    std::array<QLabel*, measure::kLiveRows> staleMarks{};

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setCaption(int row, const QString& text) override;
    void setValue(int row, const QString& text) override;
    void showStale(bool stale);
    void applyColours();
    QImage captureWindow();

    platform::WindowCapture& m_capture;
    QWidget& m_window;
    int& m_saveType;
    measure::LiveTextsState m_texts; // what the rows show, for the text save
    QImage m_shot; // the window as it was when Save was clicked, if taken before the dialog
    bool m_stale = false;
    bool m_capturing = false;
};

} // namespace korvane::app
