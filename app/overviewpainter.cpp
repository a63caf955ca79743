// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/overviewpainter.h"

#include "app/meterwords.h"
#include "app/readingcolours.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace korvane::app {

namespace {
// Vertical space in row units: the grid's heading line, its six rows, a gap, then the taller of
// the two lower columns (seven rows on the left), and the footer.
constexpr double kGridHeading = 0.7;
constexpr double kGap = 0.45;
constexpr double kFooter = 0.7;
constexpr int kLowerRows = 7;
constexpr double kUnits = kGridHeading + 6 + kGap + kLowerRows + kFooter;
constexpr double kTitle = 0.8;
// The widest texts a value column must hold: a value and its "↓min ↑max" line.
constexpr int kValueChars = 9;
constexpr int kRangeChars = 19;
// DejaVu Sans Mono advances 0.602 em per character.
constexpr double kMonoAdvance = 0.61;

QFont monoFont(double pixels, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(std::max(1, int(pixels)));
    font.setBold(bold);
    return font;
}

QFont sized(QFont font, double pixels, bool bold = false)
{
    font.setPixelSize(std::max(1, int(pixels)));
    font.setBold(bold);
    return font;
}

struct Style
{
    double unit = 0;
    QFont heading, headingSmall, value, valueBold, valueStale, small;
    QColor text, stale, muted, staleMuted, stripe;
};

class Painter
{
public:
    Painter(QPainter& painter, const Style& style, OverviewLayout* layout)
        : m_p(painter), m_s(style), m_layout(layout),
          m_clip(painter.hasClipping() ? painter.clipBoundingRect() : QRectF())
    {}

    // Outside the clip nothing would show: skip the text layout too.
    bool hidden(const QRectF& box) const { return !m_clip.isNull() && !m_clip.intersects(box); }

    // A row's name with its unit small below, left-aligned in the box.
    void heading(const QRectF& box, const measure::OverviewRow& row) const
    {
        if (hidden(box))
            return;
        const double valueHeight = m_s.unit * 0.6;
        m_p.setPen(m_s.text);
        m_p.setFont(m_s.heading);
        m_p.drawText(QRectF(box.left(), box.top(), box.width(), valueHeight),
                     Qt::AlignLeft | Qt::AlignBottom, meterWord(row.name));
        if (!row.unit.isEmpty()) {
            m_p.setPen(m_s.muted);
            m_p.setFont(m_s.headingSmall);
            m_p.drawText(QRectF(box.left(), box.top() + valueHeight, box.width(),
                                box.height() - valueHeight),
                         Qt::AlignLeft | Qt::AlignTop, row.unit);
        }
    }

    // The value right-aligned, with "↓min ↑max" small under it.
    void cell(const QRectF& box, const measure::OverviewCell& cell) const
    {
        if (!cell.key)
            return;
        if (m_layout)
            m_layout->cells[std::size_t(*cell.key)] = box;
        if (hidden(box))
            return;
        const double valueHeight = m_s.unit * 0.6;
        const bool overload = cell.state == measure::State::Overload;
        m_p.setPen(cell.stale ? m_s.stale : m_s.text);
        m_p.setFont(overload ? m_s.valueBold : cell.stale ? m_s.valueStale : m_s.value);
        m_p.drawText(QRectF(box.left(), box.top(), box.width(), valueHeight),
                     Qt::AlignRight | Qt::AlignBottom,
                     cell.text.isEmpty() ? QStringLiteral("\u2013") : meterWord(cell.text));
        if (cell.minText.isEmpty())
            return;
        m_p.setPen(cell.stale ? m_s.staleMuted : m_s.muted);
        m_p.setFont(m_s.small);
        m_p.drawText(
            QRectF(box.left(), box.top() + valueHeight, box.width(), box.height() - valueHeight),
            Qt::AlignRight | Qt::AlignTop,
            QStringLiteral("\u2193%1 \u2191%2").arg(cell.minText, cell.maxText));
    }

    void stripe(const QRectF& box) const
    {
        if (!hidden(box))
            m_p.fillRect(box, m_s.stripe);
    }

    // One-cell rows, a row unit each, from top.
    void singleRows(QRectF area, const std::vector<measure::OverviewRow>& rows,
                    double headingWidth) const
    {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const QRectF box(area.left(), area.top() + double(i) * m_s.unit, area.width(),
                             m_s.unit);
            if (i % 2 == 0)
                stripe(box);
            const QRectF inner = box.adjusted(m_s.unit * 0.15, 0, -m_s.unit * 0.15, 0);
            heading(QRectF(inner.left(), inner.top(), headingWidth, inner.height()), rows[i]);
            cell(QRectF(inner.left() + headingWidth, inner.top(), inner.width() - headingWidth,
                        inner.height()),
                 rows[i].cells.front());
        }
    }

private:
    QPainter& m_p;
    const Style& m_s;
    OverviewLayout* m_layout;
    QRectF m_clip;
};

Style styleFor(const QRectF& area, const QPalette& palette, const QFont& font, bool titled)
{
    Style s;
    const double byHeight = area.height() / (kUnits + (titled ? kTitle : 0));
    // Five columns across: the headings take one share, each value column about 1.1.
    const double column = area.width() / 5.4 * 1.1;
    const double byValue = column / (kValueChars * kMonoAdvance) / 0.5;
    s.unit = std::min(byHeight, byValue);
    const double smallPixels = std::min(s.unit * 0.3, column / (kRangeChars * kMonoAdvance));
    s.heading = sized(font, s.unit * 0.42, true);
    s.headingSmall = sized(font, std::max(smallPixels, s.unit * 0.28));
    s.value = monoFont(s.unit * 0.5);
    s.valueBold = monoFont(s.unit * 0.5, true);
    // Stale values lean as well as fade: the colour alone is lost on some eyes and screens.
    s.valueStale = s.value;
    s.valueStale.setItalic(true);
    s.small = monoFont(smallPixels);
    const OverviewColours colours = overviewColours(palette);
    s.text = colours.text;
    s.stale = colours.stale;
    s.muted = colours.muted;
    s.staleMuted = colours.staleMuted;
    s.stripe = colours.stripe;
    return s;
}
} // namespace

void paintOverview(QPainter& painter, const QRectF& area, const measure::OverviewTable& table,
                   const QPalette& palette, const QFont& font, const QString& footer,
                   const QString& title, OverviewLayout* layout)
{
    const Style s = styleFor(area, palette, font, !title.isEmpty());
    const Painter paint(painter, s, layout);
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);

    // The grid, centred when the area is wider than the numbers need.
    const double headingWidth = s.unit * 1.6;
    const double valueWidth = std::min((area.width() - headingWidth) / 4, s.unit * 3.6);
    const double gridWidth = headingWidth + 4 * valueWidth;
    const double left = area.left() + (area.width() - gridWidth) / 2;
    double y = area.top();
    if (!title.isEmpty()) {
        painter.setFont(s.heading);
        painter.setPen(s.text);
        painter.drawText(QRectF(left, y, gridWidth, s.unit * kTitle),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
        y += s.unit * kTitle;
    }
    const QFont columnFont = sized(font, s.unit * 0.36, true);
    painter.setFont(columnFont);
    painter.setPen(s.muted);
    const std::array<QString, 4> columns{
        QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L3"),
        QCoreApplication::translate("korvane::app::OverviewPage", "Total")};
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const QRectF box(left + headingWidth + double(c) * valueWidth, y, valueWidth,
                         s.unit * kGridHeading);
        painter.drawText(box.adjusted(0, 0, -s.unit * 0.15, 0), Qt::AlignRight | Qt::AlignVCenter,
                         columns[c]);
    }
    y += s.unit * kGridHeading;
    for (std::size_t r = 0; r < table.grid.size(); ++r) {
        const measure::OverviewRow& row = table.grid[r];
        const QRectF box(left, y, gridWidth, s.unit);
        if (r % 2 == 0)
            paint.stripe(box);
        paint.heading(QRectF(left + s.unit * 0.15, y, headingWidth, s.unit), row);
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            paint.cell(QRectF(left + headingWidth + double(c) * valueWidth, y,
                              valueWidth - s.unit * 0.15, s.unit),
                       row.cells[c]);
        }
        y += s.unit;
    }
    y += s.unit * kGap;

    // Below: the voltage frame's I and F, the angles and the sequence; beside them type 3.
    const double half = (gridWidth - s.unit * 0.3) / 2;
    const double lowerHeading = s.unit * 2.2;
    paint.singleRows(QRectF(left, y, half, s.unit * kLowerRows), table.details, lowerHeading);
    const double right = left + gridWidth - half;
    painter.setFont(columnFont);
    painter.setPen(table.type3Stale ? s.stale : s.muted);
    painter.drawText(
        QRectF(right + s.unit * 0.15, y, half - s.unit * 0.3, s.unit),
        Qt::AlignLeft | Qt::AlignVCenter,
        QCoreApplication::translate("korvane::app::OverviewPage", "Meter clock  %1")
            .arg(table.meterClock.isEmpty() ? QStringLiteral("\u2013") : table.meterClock));
    paint.singleRows(QRectF(right, y + s.unit, half, s.unit * 5), table.type3, lowerHeading);
    if (layout)
        layout->type3 = QRectF(right, y, half, s.unit * 6);
    y += s.unit * kLowerRows;

    const QFont footerFont = sized(font, std::max(s.unit * 0.3, 9.0));
    painter.setFont(footerFont);
    painter.setPen(s.muted);
    painter.drawText(QRectF(left, y, gridWidth, s.unit * kFooter),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, footer);
    painter.restore();
    if (layout) {
        layout->fonts = {s.heading,    s.headingSmall, s.value,    s.valueBold,
                         s.valueStale, s.small,        columnFont, footerFont};
    }
}

} // namespace korvane::app
