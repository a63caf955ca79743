#pragma once

#include <QFont>
#include <QIcon>
#include <QStyledItemDelegate>

namespace korvane::app {

// SimSun where installed, else a CJK-capable font, so the Chinese filter texts render too.
QString cjkFamily();
QFont cjkFont(double points, bool bold);

enum class ButtonPicture { Read, Save, Clear, Help, Close };
// The theme's icon where there is one, else a plain one painted here.
QIcon buttonIcon(ButtonPicture picture);
QIcon windowIcon();

// Draws the record grid's fixed row and column as header cells and the rest as plain cells.
class GridCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace korvane::app
