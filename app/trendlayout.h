// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "trend/ticks.h"

#include <QColor>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>

#include <utility>
#include <vector>

namespace korvane::app {

// A value axis of the trend: one per unit shown.
struct TrendValueAxis
{
    double low = 0;
    double high = 1;
    trend::ValueTicks ticks;
    QColor colour;
    QString title; // empty: no title (one quantity on the axis: its colour says which)
    bool grid = false;

    // The ticks within [low, high], with their labels.
    std::vector<std::pair<double, QString>> labels() const;
};

struct TrendTimeAxis
{
    qint64 from = 0;
    qint64 to = 1;
    std::vector<std::pair<qint64, QString>> ticks;
    QString title;
};

struct TrendLegendEntry
{
    QString name;
    QColor colour;
};

// Where the parts of the trend go in a widget of a given size: the legend's entries in rows at
// the top, value axes alternately left and right of the plot (the first next to it on each
// side), the time axis and its title below.
struct TrendLayout
{
    QRectF plot;
    std::vector<QRectF> axes;      // each value axis' labels and title, beside the plot
    std::vector<QPointF> legendAt; // each legend entry's top left
    double timeLabelsTop = 0;      // the time ticks' labels' top
    double timeTitleTop = 0;       // the time axis' title's top
};

// Constants of the drawing that the layout makes room for.
inline constexpr double kTrendMargin = 4;
inline constexpr double kTrendTickLength = 4;
inline constexpr double kTrendSwatchWidth = 16;
inline constexpr double kTrendLabelGap = 3;

// Legend entries' widths, axes' label widths and font heights from `metrics`; the plot keeps at
// least a pixel each way however small the widget.
TrendLayout layoutTrend(const QSizeF& size, const QFontMetricsF& metrics,
                        const std::vector<TrendLegendEntry>& legend,
                        const std::vector<TrendValueAxis>& axes);

} // namespace korvane::app
