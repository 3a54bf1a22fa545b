#include "gui/CatalogueModel.h"

#include "catalogue/Catalogue.h"

#include <QFont>
#include <QMimeData>

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

namespace {
const QString kNodeMimeType = QStringLiteral("application/x-fendrel-catalogue-node");
}

Qt::ItemFlags CatalogueModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractItemModel::flags(index);
    const CatalogueNode *node = nodeOf(index);
    if (!node)
        return flags;
    if (node->parent())
        flags |= Qt::ItemIsDragEnabled; // a section or a lab; the tab stays where it is
    if (!node->parent() || !node->parent()->parent())
        flags |= Qt::ItemIsDropEnabled; // the tab and the sections
    return flags;
}

QStringList CatalogueModel::mimeTypes() const
{
    return {kNodeMimeType};
}

QMimeData *CatalogueModel::mimeData(const QModelIndexList &indexes) const
{
    const CatalogueNode *node = indexes.size() == 1 ? nodeOf(indexes.first()) : nullptr;
    if (!node || !node->parent())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(kNodeMimeType, node->key().toUtf8());
    return data;
}

CatalogueNode *CatalogueModel::draggedNode(const QMimeData *data) const
{
    if (!data || !data->hasFormat(kNodeMimeType))
        return nullptr;
    return m_catalogue.tree().nodeByKey(QString::fromUtf8(data->data(kNodeMimeType)));
}

bool CatalogueModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int,
                                     const QModelIndex &parent) const
{
    const CatalogueNode *node = draggedNode(data);
    const CatalogueNode *target = nodeOf(parent);
    if (action != Qt::MoveAction || !node || !target || !node->parent())
        return false;
    // Sections go along the tab, labs into sections; nothing goes into a lab.
    const CatalogueNode *root = m_catalogue.tree().root();
    if (target == root)
        return node->parent() == root;
    return target->parent() == root && node->parent()->parent() == root;
}

bool CatalogueModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                  const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    Q_EMIT moveRequested(draggedNode(data), nodeOf(parent), row);
    return true;
}

} // namespace fendrel::gui
