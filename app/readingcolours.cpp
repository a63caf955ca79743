// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/readingcolours.h"

#include <algorithm>
#include <cmath>

namespace korvane::app {

namespace {
double luminance(const QColor& c)
{
    const auto channel = [](float v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

QColor blend(const QColor& a, const QColor& b, double towardsB)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * towardsB),
                            float(a.greenF() + (b.greenF() - a.greenF()) * towardsB),
                            float(a.blueF() + (b.blueF() - a.blueF()) * towardsB));
}

// Text as far towards the background as it can go while it keeps `wanted` contrast with every
// background given: muted, but never hard to read.
QColor towards(const QColor& text, const QColor& window, const QColor& stripe, double most,
               double wanted)
{
    for (double f = most; f > 0; f -= 0.02) {
        const QColor c = blend(text, window, f);
        if (contrastRatio(c, window) >= wanted && contrastRatio(c, stripe) >= wanted)
            return c;
    }
    return text;
}

// A little above the line, so that rounding never takes a colour under it.
constexpr double kReadable = 4.6;
} // namespace

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

ReadingColours readingColours(const QPalette& palette)
{
    if (isDark(palette))
        return {QColor(0, 96, 0), Qt::white, QColor(58, 72, 58), Qt::white};
    return {QColor(0, 192, 0), Qt::black, QColor(150, 184, 150), Qt::black};
}

OverviewColours overviewColours(const QPalette& palette)
{
    OverviewColours c;
    c.text = palette.color(QPalette::Active, QPalette::WindowText);
    c.window = palette.color(QPalette::Active, QPalette::Window);
    c.stripe = blend(c.window, c.text, 0.05);
    c.muted = towards(c.text, c.window, c.stripe, 0.3, kReadable);
    c.stale = towards(c.text, c.window, c.stripe, 0.55, kReadable);
    c.staleMuted = c.stale;
    return c;
}

} // namespace korvane::app
