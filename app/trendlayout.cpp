// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendlayout.h"

#include <algorithm>
#include <cmath>

namespace korvane::app {

namespace {
constexpr double kLegendSpacing = 14;
// No axis gets more ticks than this, whatever range and step it is given.
constexpr int kMostTicks = 200;
} // namespace

std::vector<std::pair<double, QString>> TrendValueAxis::labels() const
{
    std::vector<std::pair<double, QString>> out;
    if (!(ticks.step > 0) || !std::isfinite(low) || !std::isfinite(high))
        return out;
    const double tolerance = ticks.step * 1e-9;
    for (int i = 0; i < kMostTicks; ++i) {
        double value = ticks.first + i * ticks.step;
        if (value > high + tolerance)
            break;
        if (value < low - tolerance)
            continue;
        if (std::abs(value) < tolerance)
            value = 0; // not "-0.0"
        out.emplace_back(value, QString::number(value, 'f', ticks.decimals));
    }
    return out;
}

TrendLayout layoutTrend(const QSizeF& size, const QFontMetricsF& metrics,
                        const std::vector<TrendLegendEntry>& legend,
                        const std::vector<TrendValueAxis>& axes)
{
    TrendLayout layout;
    const double lineHeight = metrics.height();

    // The legend's entries flow in centred rows.
    const double legendWidth = std::max(1.0, size.width() - 2 * kTrendMargin);
    std::vector<std::vector<std::pair<std::size_t, double>>> rows(1);
    double rowWidth = 0;
    for (std::size_t i = 0; i < legend.size(); ++i) {
        const double width =
            kTrendSwatchWidth + kTrendLabelGap + metrics.horizontalAdvance(legend[i].name);
        const double needed = rowWidth > 0 ? rowWidth + kLegendSpacing + width : width;
        if (rowWidth > 0 && needed > legendWidth) {
            rows.emplace_back();
            rowWidth = width;
        } else {
            rowWidth = needed;
        }
        rows.back().emplace_back(i, width);
    }
    layout.legendAt.resize(legend.size());
    double top = kTrendMargin;
    for (const auto& row : rows) {
        if (row.empty())
            continue;
        double width = -kLegendSpacing;
        for (const auto& entry : row)
            width += entry.second + kLegendSpacing;
        double x = kTrendMargin + std::max(0.0, (legendWidth - width) / 2);
        for (const auto& [index, entryWidth] : row) {
            layout.legendAt[index] = QPointF(x, top);
            x += entryWidth + kLegendSpacing;
        }
        top += lineHeight;
    }

    // Half a label above the plot, for the top tick's label.
    const double plotTop = top + lineHeight / 2;
    layout.timeTitleTop = size.height() - kTrendMargin - lineHeight;
    layout.timeLabelsTop = layout.timeTitleTop - lineHeight;
    const double plotBottom = layout.timeLabelsTop - kTrendTickLength;

    std::vector<double> widths;
    for (const TrendValueAxis& axis : axes) {
        double labels = 0;
        for (const auto& label : axis.labels())
            labels = std::max(labels, metrics.horizontalAdvance(label.second));
        widths.push_back(kTrendTickLength + kTrendLabelGap + labels +
                         (axis.title.isEmpty() ? 0 : kTrendLabelGap + lineHeight));
    }
    double left = kTrendMargin;
    double right = size.width() - kTrendMargin;
    for (std::size_t i = 0; i < widths.size(); i += 2)
        left += widths[i];
    for (std::size_t i = 1; i < widths.size(); i += 2)
        right -= widths[i];
    // The time axis' outer labels reach half a label beyond the plot.
    const double halfTime = metrics.horizontalAdvance(QStringLiteral("00:00")) / 2;
    if (widths.empty())
        left += halfTime;
    if (widths.size() < 2)
        right -= halfTime;
    layout.plot = QRectF(QPointF(left, plotTop), QPointF(right, plotBottom));
    if (layout.plot.width() < 1)
        layout.plot.setWidth(1);
    if (layout.plot.height() < 1)
        layout.plot.setHeight(1);

    double leftEdge = layout.plot.left();
    double rightEdge = layout.plot.right();
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (i % 2 == 0) {
            leftEdge -= widths[i];
            layout.axes.emplace_back(leftEdge, layout.plot.top(), widths[i], layout.plot.height());
        } else {
            layout.axes.emplace_back(rightEdge, layout.plot.top(), widths[i], layout.plot.height());
            rightEdge += widths[i];
        }
    }
    return layout;
}

} // namespace korvane::app
