// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/phasorview.h"

#include "app/phasorgeometry.h"
#include "measure/readingtext.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace korvane::app {

namespace {
bool darkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

// IEC 60445 phase colours (L1 brown, L2 black, L3 grey), lightened on a dark palette so that
// each still reads against the background.
QColor phaseColour(int phase, const QPalette& palette)
{
    const bool dark = darkPalette(palette);
    switch (phase) {
    case 0:
        return dark ? QColor(0xc8, 0x8a, 0x5a) : QColor(0x8b, 0x45, 0x13);
    case 1:
        return dark ? QColor(0xf0, 0xf0, 0xf0) : QColor(0x10, 0x10, 0x10);
    default:
        return dark ? QColor(0xa8, 0xa8, 0xa8) : QColor(0x80, 0x80, 0x80);
    }
}

QString arrowName(const PhasorArrow& arrow)
{
    return measure::keyInfo(arrow.magnitudeKey).name.toString();
}

void paintArrow(QPainter& painter, QPointF from, QPointF to, double width)
{
    painter.drawLine(from, to);
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    if (length < 1)
        return;
    const QPointF unit = d / length;
    const QPointF normal(-unit.y(), unit.x());
    const double head = 6 + 2 * width;
    QPainterPath tip;
    tip.moveTo(to);
    tip.lineTo(to - unit * head + normal * head * 0.45);
    tip.lineTo(to - unit * head - normal * head * 0.45);
    tip.closeSubpath();
    painter.fillPath(tip, painter.pen().color());
}

QString ageText(qint64 ms)
{
    if (ms < 60'000)
        return QStringLiteral("%1 s").arg(ms / 1000);
    return QStringLiteral("%1 min").arg(ms / 60'000);
}
} // namespace

PhasorView::PhasorView(const measure::Snapshot& snapshot, QWidget* parent,
                       std::function<qint64()> now)
    : QWidget(parent), m_snapshot(snapshot),
      m_now(now ? std::move(now) : std::function<qint64()>(&QDateTime::currentMSecsSinceEpoch))
{
    setAutoFillBackground(true); // it lies over the other pages' widgets
    m_ageTimer.setInterval(1000);
    connect(&m_ageTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void PhasorView::showEvent(QShowEvent*)
{
    m_ageTimer.start();
}

void PhasorView::hideEvent(QHideEvent*)
{
    m_ageTimer.stop();
}

void PhasorView::setStale(bool stale)
{
    m_stale = stale;
    update();
}

void PhasorView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF all = rect().adjusted(8, 8, -8, -8);
    const double tableWidth = std::min(all.width() * 0.32, 180.0);
    const double footer = painter.fontMetrics().height() * 2.6;
    paintDiagram(painter,
                 QRectF(all.left(), all.top(), all.width() - tableWidth, all.height() - footer));
    paintTable(painter, QRectF(all.right() - tableWidth, all.top(), tableWidth, all.height()));
    paintFooter(painter, QRectF(all.left(), all.bottom() - footer, all.width(), footer));
}

void PhasorView::paintDiagram(QPainter& painter, const QRectF& area)
{
    const QPalette& pal = palette();
    const QColor text =
        pal.color(m_stale ? QPalette::Disabled : QPalette::Active, QPalette::WindowText);
    const double radius = std::max(10.0, std::min(area.width(), area.height()) / 2 - 24);
    const QPointF centre = area.center();

    QColor grid = text;
    grid.setAlpha(70);
    painter.setPen(QPen(grid, 1));
    painter.drawEllipse(centre, radius, radius);
    painter.drawLine(centre - QPointF(radius, 0), centre + QPointF(radius, 0));
    painter.drawLine(centre - QPointF(0, radius), centre + QPointF(0, radius));

    const PhasorArrows arrows = phasorArrows(m_snapshot);
    for (std::size_t i = 0; i < arrows.size(); ++i) {
        const PhasorArrow& arrow = arrows[i];
        if (!arrow.present)
            continue;
        // The current in a colour of its own, apart from the three phases.
        QColor colour = arrow.voltage ? phaseColour(int(i), pal) : pal.color(QPalette::Link);
        if (m_stale)
            colour.setAlpha(110);
        const double width = arrow.voltage ? 3.5 : 1.5;
        QPen pen(colour, width, arrow.voltage ? Qt::SolidLine : Qt::DashLine, Qt::RoundCap);
        painter.setPen(pen);
        // The painter's y grows downwards.
        const QPointF tip = centre + QPointF(arrow.tip.x(), -arrow.tip.y()) * radius;
        paintArrow(painter, centre, tip, width);
        const QPointF label =
            centre + QPointF(arrow.tip.x(), -arrow.tip.y()) * (radius + 14) - QPointF(8, -5);
        painter.drawText(label, arrowName(arrow));
    }
}

void PhasorView::paintFooter(QPainter& painter, const QRectF& area)
{
    painter.setPen(
        palette().color(m_stale ? QPalette::Disabled : QPalette::Active, QPalette::WindowText));
    QString text = QStringLiteral("U1 at 0°, angles counter-clockwise");
    const auto& sequence = m_snapshot.latest(measure::Key::Sequence);
    if (sequence.seen) {
        if (auto seq = measure::quantityText(sequence.quantity))
            text += QStringLiteral("\nPhase sequence: ") + *seq;
    }
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void PhasorView::paintTable(QPainter& painter, const QRectF& area)
{
    const qint64 now = m_now();
    const double line = painter.fontMetrics().height() * 1.4;
    double y = area.top() + line;
    const PhasorArrows arrows = phasorArrows(m_snapshot);
    for (const PhasorArrow& arrow : arrows) {
        const auto& magnitude = m_snapshot.latest(arrow.magnitudeKey);
        const auto& angle = m_snapshot.latest(arrow.angleKey);
        // The older of the two numbers the arrow stands on.
        const qint64 oldest =
            std::min(magnitude.seen ? magnitude.receivedMs : 0, angle.seen ? angle.receivedMs : 0);
        const bool stale = m_stale || !arrow.present || now - oldest > measure::kStaleAfter.count();
        painter.setPen(
            palette().color(stale ? QPalette::Disabled : QPalette::Active, QPalette::WindowText));
        QString row = arrowName(arrow) + QStringLiteral(": ");
        if (magnitude.seen)
            row += measure::quantityText(magnitude.quantity).value_or(QStringLiteral("–"));
        else
            row += QStringLiteral("–");
        if (angle.seen)
            row += QStringLiteral("  ") +
                   measure::quantityText(angle.quantity).value_or(QStringLiteral("–"));
        painter.drawText(QPointF(area.left(), y), row);
        y += line;
        if (arrow.present) {
            painter.drawText(QPointF(area.left() + 12, y),
                             QStringLiteral("received %1 ago").arg(ageText(now - oldest)));
            y += line;
        }
    }
}

} // namespace korvane::app
