// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/trendlayout.h"
#include "trend/plotsegments.h"

#include <QPixmap>
#include <QWidget>

#include <optional>
#include <vector>

namespace korvane::app {

// The trend's chart, painted with QPainter: the legend, a value axis per unit, the time axis,
// marks, then each quantity's min-max band and its line. The wheel and + / - zoom the time axis
// around the pointer (the middle from the keyboard), a drag with the left button zooms into the
// span it covers, a drag with the right button and the arrow keys pan. It says what the user
// asked for, as shares of the plot's width; the view decides the span.
class TrendPlot : public QWidget
{
    Q_OBJECT
public:
    struct Line
    {
        QColor colour;
        std::size_t axis = 0; // into the axes given with setAxes
        std::vector<trend::PlotSegment> segments;
        bool band = false; // the min-max band under the line
    };

    // A span of time shaded (a gap) or, when it has no length, a line across the plot (an event).
    struct Mark
    {
        qint64 fromMs = 0;
        qint64 toMs = 0;
        QColor colour;
    };

    explicit TrendPlot(QWidget* parent = nullptr);

    void setLegend(std::vector<TrendLegendEntry> legend);
    const std::vector<TrendLegendEntry>& legend() const { return m_legend; }
    // The axes lay the chart out again: the plot's width may change with their labels.
    void setAxes(std::vector<TrendValueAxis> values, TrendTimeAxis time);
    // Smoothing off draws a line with a point in every pixel column much faster, no different.
    void setLines(std::vector<Line> lines, bool smooth);
    void setMarks(std::vector<Mark> marks);
    QRectF plotArea() const { return m_layout.plot; }
    // The chart as shown, without the keyboard's focus frame or a drag under way.
    QPixmap picture();
    // The font of the axes and the legend, a little smaller than the window's.
    QFont smallFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Zoom by `factor` (below 1: in) keeping the time at `share` of the plot's width in place.
    void zoomBy(double factor, double share);
    // Show the span between two shares of the plot's width.
    void zoomInto(double fromShare, double toShare);
    // Move the span by a share of its width (positive: later).
    void panBy(double share);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void relayout();
    double shareAt(double x) const;
    void cancelDrags();
    void paintAxes(QPainter& painter, const QColor& text);
    void paintLines(QPainter& painter);

    std::vector<TrendLegendEntry> m_legend;
    std::vector<TrendValueAxis> m_axes;
    TrendTimeAxis m_time;
    std::vector<Line> m_lines;
    std::vector<Mark> m_marks;
    bool m_smooth = true;
    TrendLayout m_layout;
    std::optional<double> m_bandFrom; // the left drag's start
    double m_bandTo = 0;
    std::optional<double> m_panFrom; // the right drag's last x
    bool m_picture = false;          // painting for picture()
};

} // namespace korvane::app
