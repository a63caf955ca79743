// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/headingsproxymodel.h"

namespace korvane::app {

void HeadingsProxyModel::setSourceModel(QAbstractItemModel* source)
{
    beginResetModel();
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(source);
    if (source) {
        // Any change of shape shifts every heading, so it is passed on as a reset.
        using M = QAbstractItemModel;
        const auto begin = [this] { beginResetModel(); };
        const auto end = [this] { endResetModel(); };
        connect(source, &M::modelAboutToBeReset, this, begin);
        connect(source, &M::modelReset, this, end);
        // Rows added below the heading row (records arriving) are passed on as added rows, so
        // a growing table costs the view only its new rows.
        connect(source, &M::rowsAboutToBeInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    m_insertingRows = first > 0;
                    if (m_insertingRows)
                        beginInsertRows(QModelIndex(), first - 1, last - 1);
                    else
                        beginResetModel();
                });
        connect(source, &M::rowsInserted, this, [this] {
            if (m_insertingRows)
                endInsertRows();
            else
                endResetModel();
        });
        connect(source, &M::rowsAboutToBeRemoved, this, begin);
        connect(source, &M::rowsRemoved, this, end);
        connect(source, &M::columnsAboutToBeInserted, this, begin);
        connect(source, &M::columnsInserted, this, end);
        connect(source, &M::columnsAboutToBeRemoved, this, begin);
        connect(source, &M::columnsRemoved, this, end);
        connect(source, &M::layoutAboutToBeChanged, this, begin);
        connect(source, &M::layoutChanged, this, end);
        connect(source, &M::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to) {
                    if (from.row() == 0)
                        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
                    if (from.column() == 0)
                        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
                    const QModelIndex first =
                        index(std::max(from.row(), 1) - 1, std::max(from.column(), 1) - 1);
                    const QModelIndex last = index(to.row() - 1, to.column() - 1);
                    if (first.isValid() && last.isValid())
                        emit dataChanged(first, last);
                });
    }
    endResetModel();
}

QModelIndex HeadingsProxyModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex HeadingsProxyModel::parent(const QModelIndex&) const
{
    return {};
}

int HeadingsProxyModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !sourceModel())
        return 0;
    return std::max(sourceModel()->rowCount() - 1, 0);
}

int HeadingsProxyModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !sourceModel())
        return 0;
    return std::max(sourceModel()->columnCount() - 1, 0);
}

QModelIndex HeadingsProxyModel::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel())
        return {};
    return sourceModel()->index(proxyIndex.row() + 1, proxyIndex.column() + 1);
}

QModelIndex HeadingsProxyModel::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.row() == 0 || sourceIndex.column() == 0)
        return {};
    return index(sourceIndex.row() - 1, sourceIndex.column() - 1);
}

QVariant HeadingsProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!sourceModel() || section < 0)
        return {};
    const QModelIndex heading = orientation == Qt::Horizontal
                                    ? sourceModel()->index(0, section + 1)
                                    : sourceModel()->index(section + 1, 0);
    if (!heading.isValid())
        return {};
    return role == Qt::TextAlignmentRole ? QVariant::fromValue(Qt::Alignment(Qt::AlignCenter))
                                         : heading.data(role);
}

QString HeadingsProxyModel::corner() const
{
    return sourceModel() ? sourceModel()->index(0, 0).data().toString() : QString();
}

} // namespace korvane::app
