#include "gui/CatalogueView.h"

#include "catalogue/CatalogueTree.h"
#include "gui/CatalogueModel.h"


namespace fendrel::gui {

CatalogueView::CatalogueView(QWidget *parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QTreeView::expanded, this, [](const QModelIndex &index) {
        if (CatalogueNode *node = CatalogueModel::nodeOf(index))
            node->setExpanded(true);
    });
    connect(this, &QTreeView::collapsed, this, [](const QModelIndex &index) {
        if (CatalogueNode *node = CatalogueModel::nodeOf(index))
            node->setExpanded(false);
    });
    // A press on a row, not on its branch sign, chooses the node.
    connect(this, &QAbstractItemView::pressed, this, [this](const QModelIndex &index) {
        if (CatalogueNode *node = CatalogueModel::nodeOf(index))
            Q_EMIT nodeChosen(node);
    });
}

void CatalogueView::setCatalogueModel(CatalogueModel *model)
{
    m_model = model;
    setModel(model);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { expandAsStored({}); });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parent, int first, int last) {
        for (int row = first; row <= last; ++row)
            expandAsStored(m_model->index(row, 0, parent));
    });
    expandAsStored({});
}

void CatalogueView::expandAsStored(const QModelIndex &index)
{
    if (const CatalogueNode *node = CatalogueModel::nodeOf(index); node && node->isExpanded())
        setExpanded(index, true);
    for (int row = 0; row < m_model->rowCount(index); ++row)
        expandAsStored(m_model->index(row, 0, index));
}

void CatalogueView::showNode(const CatalogueNode *node)
{
    const QModelIndex index = m_model->indexOf(node);
    setCurrentIndex(index);
    if (index.isValid())
        scrollTo(index);
}

void CatalogueView::expandNode(const CatalogueNode *node)
{
    setExpanded(m_model->indexOf(node), true);
}

CatalogueNode *CatalogueView::currentNode() const
{
    return CatalogueModel::nodeOf(currentIndex());
}

void CatalogueView::keyPressEvent(QKeyEvent *event)
{
    m_keyboard = true;
    QTreeView::keyPressEvent(event);
    m_keyboard = false;
}

void CatalogueView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    if (m_keyboard && current.isValid())
        Q_EMIT nodeChosen(CatalogueModel::nodeOf(current));
}

} // namespace fendrel::gui
