// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendplot.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace korvane::app {

namespace {
// Labels a little smaller than the window's, so that four or five value axes beside a plot
// still show whole numbers at the window's first size.
constexpr double kFontScale = 0.8;
constexpr qreal kLineWidth = 1; // the raster engine's fast path
constexpr qreal kDotRadius = 2; // a stretch of one column: no line, a dot
constexpr int kBandAlpha = 70;
constexpr int kGridAlpha = 45;
constexpr int kFrameAlpha = 110;
constexpr int kRubberBandAlpha = 60;
constexpr double kWheelZoom = 0.8; // per notch in
constexpr double kKeyPan = 0.1;    // of the width per arrow key
constexpr double kLeastBand = 4;   // pixels: a shorter left drag is a click

// `colour` laid over `under` at `alpha`, as one opaque colour: a translucent pen turns a line
// into spans that Qt's raster engine blends on its thread pool, which for a grid across the plot
// costs more than everything else painted.
QColor over(const QColor& under, const QColor& colour, int alpha)
{
    const auto mix = [alpha](int a, int b) { return (b * alpha + a * (255 - alpha)) / 255; };
    return QColor(mix(under.red(), colour.red()), mix(under.green(), colour.green()),
                  mix(under.blue(), colour.blue()));
}
} // namespace

TrendPlot::TrendPlot(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    relayout();
}

QFont TrendPlot::smallFont() const
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * kFontScale);
    return small;
}

QSize TrendPlot::sizeHint() const
{
    return {640, 360};
}

QSize TrendPlot::minimumSizeHint() const
{
    return {160, 100};
}

void TrendPlot::setLegend(std::vector<TrendLegendEntry> legend)
{
    m_legend = std::move(legend);
    relayout();
}

void TrendPlot::setAxes(std::vector<TrendValueAxis> values, TrendTimeAxis time)
{
    m_axes = std::move(values);
    m_time = std::move(time);
    relayout();
}

void TrendPlot::setLines(std::vector<Line> lines, bool smooth)
{
    m_lines = std::move(lines);
    m_smooth = smooth;
    update();
}

void TrendPlot::setMarks(std::vector<Mark> marks)
{
    m_marks = std::move(marks);
    update();
}

QPixmap TrendPlot::picture()
{
    m_picture = true;
    QPixmap shown = grab();
    m_picture = false;
    return shown;
}

void TrendPlot::cancelDrags()
{
    m_panFrom.reset();
    if (m_bandFrom) {
        m_bandFrom.reset();
        update();
    }
}

void TrendPlot::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    cancelDrags();
}

void TrendPlot::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    cancelDrags();
}

void TrendPlot::relayout()
{
    m_layout = layoutTrend(size(), QFontMetricsF(smallFont(), this), m_legend, m_axes);
    update();
}

void TrendPlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void TrendPlot::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        relayout();
}

double TrendPlot::shareAt(double x) const
{
    const QRectF& plot = m_layout.plot;
    return std::clamp((x - plot.left()) / plot.width(), 0.0, 1.0);
}

void TrendPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QColor text = palette().color(QPalette::Text);
    painter.setFont(smallFont());
    const QFontMetricsF metrics(painter.font());

    for (std::size_t i = 0; i < m_legend.size(); ++i) {
        const QPointF at = m_layout.legendAt[i];
        const double middle = at.y() + metrics.height() / 2;
        painter.setPen(QPen(m_legend[i].colour, 2));
        painter.drawLine(QPointF(at.x(), middle), QPointF(at.x() + kTrendSwatchWidth, middle));
        painter.setPen(text);
        painter.drawText(
            QPointF(at.x() + kTrendSwatchWidth + kTrendLabelGap, at.y() + metrics.ascent()),
            m_legend[i].name);
    }
    // The frame under the axes: the first two axes' lines lie on its sides, in their colours.
    const QRectF& plot = m_layout.plot;
    const bool focused = hasFocus() && !m_picture;
    painter.setPen(focused ? palette().color(QPalette::Highlight)
                           : over(palette().color(QPalette::Base), text, kFrameAlpha));
    painter.drawRect(plot);
    paintAxes(painter, text);
    paintLines(painter);

    if (m_bandFrom && !m_picture) {
        QColor band = palette().color(QPalette::Highlight);
        band.setAlpha(kRubberBandAlpha);
        const double from = std::clamp(std::min(*m_bandFrom, m_bandTo), plot.left(), plot.right());
        const double to = std::clamp(std::max(*m_bandFrom, m_bandTo), plot.left(), plot.right());
        painter.fillRect(QRectF(from, plot.top(), to - from, plot.height()), band);
    }
}

void TrendPlot::paintAxes(QPainter& painter, const QColor& text)
{
    const QRectF& plot = m_layout.plot;
    const QFontMetricsF metrics(painter.font());
    const double timeSpan = double(m_time.to - m_time.from);
    const QColor grid = over(palette().color(QPalette::Base), text, kGridAlpha);

    // The time axis: grid, ticks and labels at round local times, the date below.
    for (const auto& [ms, label] : m_time.ticks) {
        if (!(timeSpan > 0) || ms < m_time.from || ms > m_time.to)
            continue;
        const double x = plot.left() + double(ms - m_time.from) / timeSpan * plot.width();
        painter.setPen(grid);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(text);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + kTrendTickLength));
        const double width = metrics.horizontalAdvance(label);
        const double left = std::clamp(x - width / 2, 0.0, std::max(0.0, this->width() - width));
        painter.drawText(QPointF(left, m_layout.timeLabelsTop + metrics.ascent()), label);
    }
    painter.setPen(text);
    painter.drawText(QRectF(plot.left(), m_layout.timeTitleTop, plot.width(), metrics.height()),
                     Qt::AlignCenter, m_time.title);

    for (std::size_t i = 0; i < m_axes.size() && i < m_layout.axes.size(); ++i) {
        const TrendValueAxis& axis = m_axes[i];
        const QRectF& room = m_layout.axes[i];
        const bool left = i % 2 == 0;
        const double span = axis.high - axis.low;
        const double edge = left ? room.right() : room.left();
        const double outward = left ? -1 : 1;
        painter.setPen(axis.colour);
        painter.drawLine(QPointF(edge, plot.top()), QPointF(edge, plot.bottom()));
        if (!(span > 0))
            continue;
        for (const auto& [value, label] : axis.labels()) {
            const double y = plot.bottom() - (value - axis.low) / span * plot.height();
            if (axis.grid) {
                painter.setPen(grid);
                painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            }
            painter.setPen(axis.colour);
            painter.drawLine(QPointF(edge, y), QPointF(edge + outward * kTrendTickLength, y));
            const double width = metrics.horizontalAdvance(label);
            const double x =
                left ? edge - kTrendTickLength - 3 - width : edge + kTrendTickLength + 3;
            painter.drawText(QPointF(x, y - metrics.height() / 2 + metrics.ascent()), label);
        }
        if (axis.title.isEmpty())
            continue;
        // Turned to read upwards, on the axis' outer side.
        painter.save();
        const double x = left ? room.left() : room.right() - metrics.height();
        painter.translate(x, plot.bottom());
        painter.rotate(-90);
        painter.drawText(QRectF(0, 0, plot.height(), metrics.height()), Qt::AlignCenter,
                         axis.title);
        painter.restore();
    }
}

void TrendPlot::paintLines(QPainter& painter)
{
    const QRectF& area = m_layout.plot;
    const double timeSpan = double(m_time.to - m_time.from);
    if (area.isEmpty() || !(timeSpan > 0))
        return;
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing, m_smooth);
    const double sx = area.width() / timeSpan;
    const double from = double(m_time.from);
    const auto xOf = [&](qint64 ms) { return area.left() + (double(ms) - from) * sx; };
    for (const Mark& mark : m_marks) {
        if (mark.toMs < m_time.from || mark.fromMs > m_time.to)
            continue;
        if (mark.toMs > mark.fromMs) {
            // At least a pixel wide, so that a short gap in a long span still shows.
            const double left = xOf(mark.fromMs);
            const double width = std::max(1.0, xOf(mark.toMs) - left);
            painter.fillRect(QRectF(left, area.top(), width, area.height()), mark.colour);
        } else {
            painter.setPen(QPen(mark.colour, kLineWidth, Qt::DashLine));
            painter.drawLine(QPointF(xOf(mark.fromMs), area.top()),
                             QPointF(xOf(mark.fromMs), area.bottom()));
        }
    }
    QPolygonF polygon;
    for (const Line& line : m_lines) {
        if (line.axis >= m_axes.size())
            continue;
        const double low = m_axes[line.axis].low;
        const double valueSpan = m_axes[line.axis].high - low;
        if (!(valueSpan > 0))
            continue;
        const double sy = area.height() / valueSpan;
        const auto map = [&](const QPointF& p) {
            return QPointF(area.left() + (p.x() - from) * sx, area.bottom() - (p.y() - low) * sy);
        };
        if (line.band) {
            QColor fill = line.colour;
            fill.setAlpha(kBandAlpha);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            for (const trend::PlotSegment& segment : line.segments) {
                polygon.clear();
                for (const QPointF& p : segment.high) {
                    if (std::isfinite(p.y()))
                        polygon << map(p);
                }
                for (auto it = segment.low.crbegin(); it != segment.low.crend(); ++it) {
                    if (std::isfinite(it->y()))
                        polygon << map(*it);
                }
                painter.drawPolygon(polygon);
            }
        }
        painter.setPen(QPen(line.colour, kLineWidth));
        painter.setBrush(line.colour);
        for (const trend::PlotSegment& segment : line.segments) {
            polygon.clear();
            for (const QPointF& p : segment.line) {
                if (std::isfinite(p.y())) // a value no float holds is left out, not drawn at 0
                    polygon << map(p);
            }
            if (polygon.size() == 1)
                painter.drawEllipse(polygon.front(), kDotRadius, kDotRadius);
            else
                painter.drawPolyline(polygon);
        }
    }
    painter.restore();
}

void TrendPlot::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0)
        emit zoomBy(std::pow(kWheelZoom, steps), shareAt(event->position().x()));
    event->accept();
}

void TrendPlot::mousePressEvent(QMouseEvent* event)
{
    const double x = event->position().x();
    // One gesture at a time; a zoom into a span starts on the plot, not on its labels.
    const bool busy = m_bandFrom || m_panFrom;
    if (!busy && event->button() == Qt::LeftButton && m_layout.plot.contains(event->position())) {
        m_bandFrom = x;
        m_bandTo = x;
    } else if (!busy && event->button() == Qt::RightButton) {
        m_panFrom = x;
    } else {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
}

void TrendPlot::mouseMoveEvent(QMouseEvent* event)
{
    const double x = event->position().x();
    // A release that never reached us (a dialog took the mouse) ends the gesture here.
    if (m_panFrom && !(event->buttons() & Qt::RightButton))
        m_panFrom.reset();
    if (m_bandFrom && !(event->buttons() & Qt::LeftButton)) {
        m_bandFrom.reset();
        update();
    }
    if (m_panFrom) {
        emit panBy(-(x - *m_panFrom) / m_layout.plot.width());
        m_panFrom = x;
    }
    if (m_bandFrom) {
        m_bandTo = x;
        update();
    }
    event->accept();
}

void TrendPlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        m_panFrom.reset();
    } else if (event->button() == Qt::LeftButton && m_bandFrom) {
        const double from = std::min(*m_bandFrom, event->position().x());
        const double to = std::max(*m_bandFrom, event->position().x());
        m_bandFrom.reset();
        update();
        if (to - from >= kLeastBand && shareAt(to) > shareAt(from))
            emit zoomInto(shareAt(from), shareAt(to));
    }
    event->accept();
}

void TrendPlot::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        emit zoomBy(kWheelZoom, 0.5);
        break;
    case Qt::Key_Minus:
        emit zoomBy(1 / kWheelZoom, 0.5);
        break;
    case Qt::Key_Left:
        emit panBy(-kKeyPan);
        break;
    case Qt::Key_Right:
        emit panBy(kKeyPan);
        break;
    case Qt::Key_Escape:
        if (!m_bandFrom && !m_panFrom) {
            QWidget::keyPressEvent(event);
            return;
        }
        cancelDrags();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace korvane::app
