// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appearance.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>

#include <array>

namespace korvane::app {

namespace {
constexpr std::array<const char*, 5> kCjkFamilies{"SimSun", "NSimSun", "WenQuanYi Zen Hei",
                                                  "Noto Sans CJK SC", "Noto Sans CJK"};

QPixmap painted(int size, const std::function<void(QPainter&, double)>& draw)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, size / 32.0);
    return pixmap;
}

// Drawn in the button's text colour, so the picture reads on light and dark palettes alike; the
// disabled look is derived from it by the style.
QIcon paintedIcon(ButtonPicture picture, const QPalette& palette)
{
    const int size = picture == ButtonPicture::Help ? 24 : 32;
    const QColor ink = palette.color(QPalette::Active, QPalette::ButtonText);
    const QColor paper = palette.color(QPalette::Active, QPalette::Button);
    return QIcon(painted(size, [picture, ink, paper](QPainter& p, double s) {
        p.scale(s, s);
        QPen pen(ink, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        switch (picture) {
        case ButtonPicture::Read: // an arrow down into a tray
            p.drawLine(QPointF(16, 4), QPointF(16, 20));
            p.drawPolyline(QPolygonF({QPointF(9, 13), QPointF(16, 20), QPointF(23, 13)}));
            p.drawPolyline(
                QPolygonF({QPointF(5, 20), QPointF(5, 27), QPointF(27, 27), QPointF(27, 20)}));
            break;
        case ButtonPicture::Save: // a floppy disk
            p.setBrush(QColor(120, 150, 200));
            p.drawRoundedRect(QRectF(5, 5, 22, 22), 2, 2);
            p.setBrush(paper);
            p.drawRect(QRectF(10, 5, 12, 8));
            p.drawRect(QRectF(9, 17, 14, 10));
            break;
        case ButtonPicture::Clear: // an empty table with a cross
            p.drawRect(QRectF(5, 7, 22, 18));
            p.drawLine(QPointF(5, 13), QPointF(27, 13));
            p.setPen(QPen(QColor(190, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(13, 16), QPointF(23, 26));
            p.drawLine(QPointF(23, 16), QPointF(13, 26));
            break;
        case ButtonPicture::Help: { // a question mark in a circle
            p.drawEllipse(QRectF(4, 4, 24, 24));
            QFont font = p.font();
            font.setPixelSize(18);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRectF(4, 4, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        case ButtonPicture::Close: // a door with an arrow out
            p.drawPolyline(QPolygonF({QPointF(18, 9), QPointF(18, 5), QPointF(5, 5), QPointF(5, 27),
                                      QPointF(18, 27), QPointF(18, 23)}));
            p.drawLine(QPointF(11, 16), QPointF(27, 16));
            p.drawPolyline(QPolygonF({QPointF(22, 11), QPointF(27, 16), QPointF(22, 21)}));
            break;
        }
    }));
}
} // namespace

QString cjkFamily()
{
    const QStringList installed = QFontDatabase::families();
    for (const char* family : kCjkFamilies) {
        if (installed.contains(QLatin1String(family), Qt::CaseInsensitive))
            return QLatin1String(family);
    }
    return QApplication::font().family();
}

QFont cjkFont(double points, bool bold)
{
    QFont font(cjkFamily());
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QIcon buttonIcon(ButtonPicture picture, const QPalette& palette)
{
    static constexpr std::array<const char*, 5> kThemeNames{
        "document-import", "document-save", "edit-clear", "help-about", "application-exit"};
    return QIcon::fromTheme(QLatin1String(kThemeNames[std::size_t(picture)]),
                            paintedIcon(picture, palette));
}

QIcon windowIcon()
{
    return QIcon(painted(16, [](QPainter& p, double) {
        p.setPen(QPen(QColor(40, 70, 120), 1.5));
        p.setBrush(QColor(0, 192, 0));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(8, 8), QPointF(12, 4));
    }));
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool selected = opt.state & QStyle::State_Selected;
    // The application's palette: the view's own is tinted by the mid grey shown beyond the cells.
    const QPalette pal = QApplication::palette();
    QColor back = pal.color(QPalette::Base);
    QColor text = pal.color(QPalette::Text);
    if (selected) {
        back = pal.color(QPalette::Highlight);
        text = pal.color(QPalette::HighlightedText);
    }
    painter->fillRect(opt.rect, back);
    painter->setPen(text);
    painter->setFont(opt.font);
    painter->drawText(opt.rect, Qt::AlignCenter, opt.text);
}

CornerHeading::CornerHeading(QWidget* corner, std::function<QString()> text)
    : QObject(corner), m_corner(corner), m_text(std::move(text))
{
    corner->installEventFilter(this);
}

bool CornerHeading::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_corner || event->type() != QEvent::Paint)
        return false;
    QPainter painter(m_corner);
    QStyleOptionHeader option;
    option.initFrom(m_corner);
    option.rect = m_corner->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.textAlignment = Qt::AlignCenter;
    option.text = m_text();
    m_corner->style()->drawControl(QStyle::CE_Header, &option, &painter, m_corner);
    return true;
}

} // namespace korvane::app
