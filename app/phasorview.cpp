// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/phasorview.h"

#include "app/meterwords.h"

#include "app/phasorgeometry.h"
#include "measure/readingtext.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <optional>

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
        return PhasorView::tr("%1 s").arg(ms / 1000);
    return PhasorView::tr("%1 min").arg(ms / 60'000);
}

// The numbers of the saved picture, in the order of the saved text.
struct SavedRow
{
    measure::Key key;
    QStringView caption;
    int arrow; // the arrow whose colour marks the row, or -1
};
constexpr std::array<SavedRow, 9> kSavedRows{{
    {measure::Key::U1, u"U1", 0},
    {measure::Key::U2, u"U2", 1},
    {measure::Key::U3, u"U3", 2},
    {measure::Key::I, u"I", 3},
    {measure::Key::AngleU1, u"U1\u00B0", 0},
    {measure::Key::AngleU2, u"U2\u00B0", 1},
    {measure::Key::AngleU3, u"U3\u00B0", 2},
    {measure::Key::AngleI, u"I\u00B0", 3},
    {measure::Key::Sequence, u"", -1},
}};

QString orderText(PhaseOrder order)
{
    return order == PhaseOrder::Normal ? PhasorView::tr("normal") : PhasorView::tr("reverse");
}

// The current in a colour of its own, apart from the three phases.
QColor arrowColour(std::size_t arrow, const QPalette& palette)
{
    return arrow < 3 ? phaseColour(int(arrow), palette) : palette.color(QPalette::Link);
}

QColor warningColour(const QPalette& palette)
{
    return darkPalette(palette) ? QColor(0xff, 0x8a, 0x65) : QColor(0xb0, 0x00, 0x20);
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

QColor PhasorView::textColour(bool stale) const
{
    return palette().color(stale ? QPalette::Disabled : QPalette::Active, QPalette::WindowText);
}

void PhasorView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF all = rect().adjusted(8, 8, -8, -8);
    const double tableWidth = std::min(all.width() * 0.32, 180.0);
    const double footer = painter.fontMetrics().height() * 3.8;
    paintDiagram(painter,
                 QRectF(all.left(), all.top(), all.width() - tableWidth, all.height() - footer));
    paintTable(painter, QRectF(all.right() - tableWidth, all.top(), tableWidth, all.height()),
               m_now());
    paintFooter(painter, QRectF(all.left(), all.bottom() - footer, all.width(), footer));
}

QImage PhasorView::renderForSave(const QDateTime& at) const
{
    QImage image(kSaveSize, QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());

    const QRectF all = QRectF(image.rect()).adjusted(16, 12, -16, -12);
    QFont title = font();
    title.setBold(true);
    title.setPointSizeF(font().pointSizeF() * 1.3);
    painter.setFont(title);
    const double titleHeight = painter.fontMetrics().height() * 1.6;
    painter.setPen(textColour(false));
    painter.drawText(QRectF(all.left(), all.top(), all.width(), titleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     tr("Phasor diagram, ") + at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")));
    painter.setFont(font());

    const QRectF body = all.adjusted(0, titleHeight, 0, 0);
    const double tableWidth = 400;
    const double footer = painter.fontMetrics().height() * 3.8;
    paintDiagram(painter, QRectF(body.left(), body.top(), body.width() - tableWidth,
                                 body.height() - footer));
    paintSavedTable(painter,
                    QRectF(body.right() - tableWidth, body.top(), tableWidth, body.height()),
                    at.toMSecsSinceEpoch());
    paintFooter(painter, QRectF(body.left(), body.bottom() - footer, body.width(), footer));
    return image;
}

void PhasorView::paintDiagram(QPainter& painter, const QRectF& area) const
{
    const QPalette& pal = palette();
    const double radius = std::max(10.0, std::min(area.width(), area.height()) / 2 - 24);
    const QPointF centre = area.center();

    QColor grid = textColour(m_stale);
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
        QColor colour = arrowColour(i, pal);
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

void PhasorView::paintFooter(QPainter& painter, const QRectF& area) const
{
    const double line = painter.fontMetrics().height() * 1.25;
    QRectF row(area.left(), area.top(), area.width(), line);
    painter.setPen(textColour(m_stale));
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter,
                     tr("U1 at 0°, angles lag U1 (clockwise)"));
    const auto& sequence = m_snapshot.latest(measure::Key::Sequence);
    const auto sequenceText =
        sequence.seen ? measure::quantityText(sequence.quantity) : std::nullopt;
    if (!sequenceText)
        return;
    row.translate(0, line);
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter,
                     tr("Phase sequence: %1").arg(meterWord(*sequenceText)));
    const PhasorArrows arrows = phasorArrows(m_snapshot);
    if (!orderDisagrees(arrows, m_snapshot))
        return;
    row.translate(0, line);
    QColor warning = warningColour(palette());
    if (m_stale)
        warning.setAlpha(110);
    painter.setPen(warning);
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter,
                     tr("The arrows show a %1 sequence; the meter says %2.")
                         .arg(orderText(drawnOrder(arrows)), meterWord(*sequenceText)));
}

void PhasorView::paintTable(QPainter& painter, const QRectF& area, qint64 now) const
{
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
        painter.setPen(textColour(stale));
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
                             tr("received %1 ago").arg(ageText(now - oldest)));
            y += line;
        }
    }
}

void PhasorView::paintSavedTable(QPainter& painter, const QRectF& area, qint64 at) const
{
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height() * 1.6;
    const double valueX = area.left() + 24 + metrics.horizontalAdvance(QStringLiteral("U1°  "));
    const double receivedX = valueX + metrics.horizontalAdvance(QStringLiteral("230.55V  "));
    const QDate day = QDateTime::fromMSecsSinceEpoch(at).date();
    double y = area.top() + line;
    for (const SavedRow& saved : kSavedRows) {
        const auto& entry = m_snapshot.latest(saved.key);
        const auto value = entry.seen ? measure::quantityText(entry.quantity) : std::nullopt;
        const bool stale =
            m_stale || !value || at - entry.receivedMs > measure::kStaleAfter.count();
        if (saved.arrow >= 0) {
            painter.setPen(QPen(arrowColour(std::size_t(saved.arrow), palette()), 3));
            const double mid = y - metrics.ascent() / 2 + 1;
            painter.drawLine(QPointF(area.left(), mid), QPointF(area.left() + 14, mid));
        }
        painter.setPen(textColour(stale));
        if (saved.arrow < 0) {
            // The sequence has a long caption: it takes a line of its own.
            y += line * 0.4;
            painter.drawText(QPointF(area.left(), y), tr("Phase sequence"));
            y += line;
        } else {
            painter.drawText(QPointF(area.left() + 24, y), saved.caption.toString());
        }
        painter.drawText(QPointF(valueX, y), value ? meterWord(*value) : tr("not received"));
        if (value) {
            const QDateTime received = QDateTime::fromMSecsSinceEpoch(entry.receivedMs);
            const QString clock =
                received.toString(received.date() == day ? QStringLiteral("HH:mm:ss")
                                                         : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            painter.drawText(QPointF(receivedX, y),
                             tr("received %1 (%2 before)")
                                 .arg(clock, ageText(std::max<qint64>(0, at - entry.receivedMs))));
        }
        y += line;
    }
}

} // namespace korvane::app
