#include "gui/CatalogueModel.h"

#include "catalogue/Catalogue.h"

#include <QFont>

namespace fendrel::gui {

CatalogueModel::CatalogueModel(const Catalogue &catalogue, QObject *parent)
    : QAbstractItemModel(parent), m_catalogue(catalogue)
{
    connect(&catalogue, &Catalogue::aboutToReset, this, [this] { beginResetModel(); });
    connect(&catalogue, &Catalogue::wasReset, this, [this] { endResetModel(); });
    connect(&catalogue, &Catalogue::nodeAboutToBeInserted, this,
            [this](const CatalogueNode *under, qint32 row) { beginInsertRows(indexOf(under), row, row); });
    connect(&catalogue, &Catalogue::nodeInserted, this, [this] { endInsertRows(); });
    connect(&catalogue, &Catalogue::nodeAboutToBeRemoved, this, [this](const CatalogueNode *node) {
        beginRemoveRows(indexOf(node->parent()), node->row(), node->row());
    });
    connect(&catalogue, &Catalogue::nodeRemoved, this, [this] { endRemoveRows(); });
    connect(&catalogue, &Catalogue::nodeAboutToBeMoved, this,
            [this](const CatalogueNode *node, const CatalogueNode *newParent, qint32 row) {
                beginMoveRows(indexOf(node->parent()), node->row(), node->row(), indexOf(newParent), row);
            });
    connect(&catalogue, &Catalogue::nodeMoved, this, [this] { endMoveRows(); });
    connect(&catalogue, &Catalogue::nodeChanged, this, [this](const CatalogueNode *node) {
        const QModelIndex changed = indexOf(node);
        Q_EMIT dataChanged(changed, changed);
    });
}

QModelIndex CatalogueModel::indexOf(const CatalogueNode *node) const
{
    if (!node)
        return {};
    return createIndex(node->row(), 0, const_cast<CatalogueNode *>(node));
}

CatalogueNode *CatalogueModel::nodeOf(const QModelIndex &index)
{
    return index.isValid() ? static_cast<CatalogueNode *>(index.internalPointer()) : nullptr;
}

QModelIndex CatalogueModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid()) {
        CatalogueNode *root = m_catalogue.tree().root();
        return root && row == 0 ? createIndex(0, 0, root) : QModelIndex();
    }
    const CatalogueNode *node = nodeOf(parent);
    if (row >= node->childCount())
        return {};
    return createIndex(row, 0, node->children()[static_cast<std::size_t>(row)]);
}

QModelIndex CatalogueModel::parent(const QModelIndex &child) const
{
    const CatalogueNode *node = nodeOf(child);
    return node ? indexOf(node->parent()) : QModelIndex();
}

int CatalogueModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    if (!parent.isValid())
        return m_catalogue.tree().root() ? 1 : 0;
    return nodeOf(parent)->childCount();
}

int CatalogueModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant CatalogueModel::data(const QModelIndex &index, int role) const
{
    const CatalogueNode *node = nodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return node->text();
    case KeyRole:
        return node->key();
    case Qt::FontRole:
        if (!node->parent()) {
            QFont tab;
            tab.setBold(true);
            return tab;
        }
        break;
    default:
        break;
    }
    return {};
}

} // namespace fendrel::gui
