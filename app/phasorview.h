// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/snapshot.h"

#include <QDateTime>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace korvane::app {

// The phasor diagram: U1, U2, U3 (thick) and the current (thin, dashed) as arrows from the
// latest angles and magnitudes, U1 along the positive x axis and every angle a lag behind U1,
// drawn clockwise; the phase sequence, and a note when the arrows' order contradicts it; beside
// it the numbers and their age, greyed when they are stale.
class PhasorView : public QWidget
{
    Q_OBJECT
public:
    // now: milliseconds since the epoch, UTC; a test may pass its own clock.
    explicit PhasorView(const measure::Snapshot& snapshot, QWidget* parent = nullptr,
                        std::function<qint64()> now = {});

    // From a loss until the next reading everything shows greyed.
    void setStale(bool stale);

    // The picture Save writes: the diagram and every number with the clock time it was received,
    // under the date and time it was taken, at kSaveSize whatever the widget's size, on the
    // widget's palette and font.
    static constexpr QSize kSaveSize{1000, 640};
    QImage renderForSave(const QDateTime& at) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void paintDiagram(QPainter& painter, const QRectF& area) const;
    void paintTable(QPainter& painter, const QRectF& area, qint64 now) const;
    void paintSavedTable(QPainter& painter, const QRectF& area, qint64 at) const;
    void paintFooter(QPainter& painter, const QRectF& area) const;
    QColor textColour(bool stale) const;

    const measure::Snapshot& m_snapshot;
    std::function<qint64()> m_now;
    bool m_stale = false;
    QTimer m_ageTimer; // the ages shown grow while no reading comes
};

} // namespace korvane::app
