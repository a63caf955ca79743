// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/snapshot.h"

#include <QTimer>
#include <QWidget>

#include <functional>

namespace korvane::app {

// The phasor diagram: U1, U2, U3 (thick) and the current (thin, dashed) as arrows from the
// latest angles and magnitudes, U1 along the positive x axis and angles counter-clockwise; the
// phase sequence; beside it the numbers and their age, greyed when they are stale.
class PhasorView : public QWidget
{
    Q_OBJECT
public:
    // now: milliseconds since the epoch, UTC; a test may pass its own clock.
    explicit PhasorView(const measure::Snapshot& snapshot, QWidget* parent = nullptr,
                        std::function<qint64()> now = {});

    // From a loss until the next reading everything shows greyed.
    void setStale(bool stale);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void paintDiagram(QPainter& painter, const QRectF& area);
    void paintTable(QPainter& painter, const QRectF& area);
    void paintFooter(QPainter& painter, const QRectF& area);

    const measure::Snapshot& m_snapshot;
    std::function<qint64()> m_now;
    bool m_stale = false;
    QTimer m_ageTimer; // the ages shown grow while no reading comes
};

} // namespace korvane::app
