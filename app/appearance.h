// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QIcon>
#include <QStyledItemDelegate>

#include <functional>

namespace korvane::app {

// SimSun where installed, else a CJK-capable font, so the Chinese filter texts render too.
QString cjkFamily();
QFont cjkFont(double points, bool bold);

enum class ButtonPicture { Read, Save, Clear, Help, Close };
// The theme's icon where there is one, else a plain one painted here in the palette's colours.
QIcon buttonIcon(ButtonPicture picture, const QPalette& palette);
QIcon windowIcon();

// Draws the record grid's cells in the application's window colours.
class GridCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// Paints a table view's corner button as one more header section, with the given text.
class CornerHeading : public QObject
{
public:
    CornerHeading(QWidget* corner, std::function<QString()> text);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_corner;
    std::function<QString()> m_text;
};

} // namespace korvane::app
