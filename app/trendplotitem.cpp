// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendplotitem.h"

#include <QChart>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>

namespace korvane::app {

namespace {
// Above the grid and the plot area's background, below the legend.
constexpr qreal kZ = 5;
constexpr qreal kLineWidth = 1; // the raster engine's fast path
constexpr qreal kDotRadius = 2; // a stretch of one column: no line, a dot
constexpr int kBandAlpha = 70;
} // namespace

TrendPlotItem::TrendPlotItem(QChart* chart, const QValueAxis* time)
    : QGraphicsItem(chart), m_chart(chart), m_time(time)
{
    setZValue(kZ);
    m_area = chart->plotArea();
}

void TrendPlotItem::setPlots(std::vector<Plot> plots, bool smooth)
{
    m_plots = std::move(plots);
    m_smooth = smooth;
    update();
}

void TrendPlotItem::setMarks(std::vector<Mark> marks)
{
    m_marks = std::move(marks);
    update();
}

void TrendPlotItem::areaChanged()
{
    prepareGeometryChange();
    m_area = m_chart->plotArea();
    update();
}

QRectF TrendPlotItem::boundingRect() const
{
    return m_area;
}

void TrendPlotItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    const QRectF area = m_chart->plotArea();
    const double timeSpan = m_time->max() - m_time->min();
    if (area.isEmpty() || !(timeSpan > 0))
        return;
    painter->save();
    painter->setClipRect(area);
    painter->setRenderHint(QPainter::Antialiasing, m_smooth);
    const double sx = area.width() / timeSpan;
    const auto xOf = [&](qint64 ms) { return area.left() + (double(ms) - m_time->min()) * sx; };
    for (const Mark& mark : m_marks) {
        if (mark.toMs < m_time->min() || mark.fromMs > m_time->max())
            continue;
        if (mark.toMs > mark.fromMs) {
            // At least a pixel wide, so that a short gap in a long span still shows.
            const double left = xOf(mark.fromMs);
            const double width = std::max(1.0, xOf(mark.toMs) - left);
            painter->fillRect(QRectF(left, area.top(), width, area.height()), mark.colour);
        } else {
            painter->setPen(QPen(mark.colour, kLineWidth, Qt::DashLine));
            painter->drawLine(QPointF(xOf(mark.fromMs), area.top()),
                              QPointF(xOf(mark.fromMs), area.bottom()));
        }
    }
    QPolygonF polygon;
    for (const Plot& plot : m_plots) {
        const double low = plot.axis->min();
        const double valueSpan = plot.axis->max() - low;
        if (!(valueSpan > 0))
            continue;
        const double sy = area.height() / valueSpan;
        const auto map = [&](const QPointF& p) {
            return QPointF(area.left() + (p.x() - m_time->min()) * sx,
                           area.bottom() - (p.y() - low) * sy);
        };
        if (plot.band) {
            QColor fill = plot.colour;
            fill.setAlpha(kBandAlpha);
            painter->setPen(Qt::NoPen);
            painter->setBrush(fill);
            for (const trend::PlotSegment& segment : plot.segments) {
                polygon.clear();
                for (const QPointF& p : segment.high)
                    polygon << map(p);
                for (auto it = segment.low.crbegin(); it != segment.low.crend(); ++it)
                    polygon << map(*it);
                painter->drawPolygon(polygon);
            }
        }
        painter->setPen(QPen(plot.colour, kLineWidth));
        painter->setBrush(plot.colour);
        for (const trend::PlotSegment& segment : plot.segments) {
            if (segment.line.size() == 1) {
                painter->drawEllipse(map(segment.line.front()), kDotRadius, kDotRadius);
                continue;
            }
            polygon.clear();
            for (const QPointF& p : segment.line)
                polygon << map(p);
            painter->drawPolyline(polygon);
        }
    }
    painter->restore();
}

} // namespace korvane::app
