// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>

namespace korvane::app {

// A dark palette: its window darker than its text.
bool isDark(const QPalette& palette);

// The contrast of two colours as the WCAG defines it: 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// The Realtime page's rows: the meter's green with black text; under a dark palette a darker
// green with white text. Stale rows keep their text readable on a greyer green, and say so in
// words as well.
struct ReadingColours
{
    QColor background, text, staleBackground, staleText;
};
ReadingColours readingColours(const QPalette& palette);

// The Overview's text colours over its window and striped rows: readings, the small lowest and
// highest beside them (muted), and both once stale, each at least 4.5:1 against either
// background.
struct OverviewColours
{
    QColor window, stripe, text, muted, stale, staleMuted;
};
OverviewColours overviewColours(const QPalette& palette);

} // namespace korvane::app
