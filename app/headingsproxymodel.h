// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractProxyModel>

namespace korvane::app {

// A table whose row 0 and column 0 are headings, as a view model that gives them as header
// data: the view's headers then keep them in sight while the cells scroll. Cell (r, c) of the
// view is cell (r + 1, c + 1) of the table.
class HeadingsProxyModel : public QAbstractProxyModel
{
    Q_OBJECT
public:
    using QAbstractProxyModel::QAbstractProxyModel;

    void setSourceModel(QAbstractItemModel* source) override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The heading of the headings: cell (0, 0) of the table.
    QString corner() const;

private:
    bool m_insertingRows = false;
};

} // namespace korvane::app
