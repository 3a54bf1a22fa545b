#include "catalogue/CatalogueTree.h"

#include <algorithm>
#include <unordered_set>

namespace fendrel {

QString sectionKey(const QString &sectionName)
{
    return u'O' + sectionName.toUpper();
}

CatalogueNode *CatalogueNode::nextSibling() const
{
    if (!m_parent)
        return nullptr;
    const auto &siblings = m_parent->m_children;
    const auto next = static_cast<std::size_t>(m_row) + 1;
    return next < siblings.size() ? siblings[next] : nullptr;
}

// Rows are kept in the nodes because a view asks for them constantly; a section of thousands of
// labs must not be searched for each question.
void CatalogueTree::renumberChildren(CatalogueNode *parent, std::size_t from)
{
    for (std::size_t i = from; i < parent->m_children.size(); ++i)
        parent->m_children[i]->m_row = static_cast<qint32>(i);
}

CatalogueNode *CatalogueTree::nodeByIndex(qint32 index) const
{
    if (index < 1 || index > count())
        return nullptr;
    return m_nodes[static_cast<std::size_t>(index - 1)].get();
}

CatalogueNode *CatalogueTree::root() const
{
    const auto it = std::find_if(m_nodes.begin(), m_nodes.end(), [](const auto &n) { return !n->m_parent; });
    return it == m_nodes.end() ? nullptr : it->get();
}

CatalogueNode *CatalogueTree::add(const QString &parentKey, const QString &key, const QString &text,
                                  const QString &tag, qint32 row)
{
    if (m_byKey.contains(key))
        return nullptr;
    CatalogueNode *parent = nullptr;
    if (!parentKey.isEmpty()) {
        parent = nodeByKey(parentKey);
        if (!parent)
            return nullptr;
    }
    m_nodes.push_back(std::unique_ptr<CatalogueNode>(new CatalogueNode(key, text, tag, parent)));
    CatalogueNode *node = m_nodes.back().get();
    node->m_index = count();
    if (parent) {
        const auto at = static_cast<std::size_t>(parent->placeOf(row));
        parent->m_children.insert(parent->m_children.begin() + static_cast<std::ptrdiff_t>(at), node);
        renumberChildren(parent, at);
    }
    m_byKey.insert(key, node);
    return node;
}

bool CatalogueTree::rekey(CatalogueNode *node, const QString &key)
{
    if (!node || nodeByKey(node->m_key) != node)
        return false;
    if (node->m_key == key)
        return true;
    if (m_byKey.contains(key))
        return false;
    m_byKey.remove(node->m_key);
    node->m_key = key;
    m_byKey.insert(key, node);
    return true;
}

bool CatalogueTree::remove(const QString &key)
{
    CatalogueNode *node = nodeByKey(key);
    if (!node)
        return false;
    if (CatalogueNode *parent = node->m_parent) {
        parent->m_children.erase(parent->m_children.begin() + node->m_row);
        renumberChildren(parent, static_cast<std::size_t>(node->m_row));
    }

    std::vector<CatalogueNode *> doomed{node};
    for (std::size_t i = 0; i < doomed.size(); ++i)
        doomed.insert(doomed.end(), doomed[i]->m_children.begin(), doomed[i]->m_children.end());
    for (CatalogueNode *gone : doomed) {
        m_byKey.remove(gone->m_key);
        if (m_selected == gone)
            m_selected = nullptr;
    }
    const std::unordered_set<CatalogueNode *> removed(doomed.begin(), doomed.end());
    std::erase_if(m_nodes, [&removed](const auto &n) { return removed.contains(n.get()); });
    for (std::size_t i = 0; i < m_nodes.size(); ++i)
        m_nodes[i]->m_index = static_cast<qint32>(i + 1);
    return true;
}

bool CatalogueTree::move(CatalogueNode *node, CatalogueNode *newParent, qint32 row)
{
    if (!node || !newParent || !node->m_parent)
        return false;
    for (const CatalogueNode *above = newParent; above; above = above->m_parent) {
        if (above == node)
            return false;
    }
    CatalogueNode *oldParent = node->m_parent;
    oldParent->m_children.erase(oldParent->m_children.begin() + node->m_row);
    renumberChildren(oldParent, static_cast<std::size_t>(node->m_row));
    const auto at = static_cast<std::size_t>(newParent->placeOf(row));
    newParent->m_children.insert(newParent->m_children.begin() + static_cast<std::ptrdiff_t>(at), node);
    node->m_parent = newParent;
    renumberChildren(newParent, at);
    return true;
}

void CatalogueTree::clear()
{
    m_selected = nullptr;
    m_byKey.clear();
    m_nodes.clear();
}

bool CatalogueTree::isLabNode(const CatalogueNode &node)
{
    return node.key() != kTabKey && node.key() != sectionKey(node.text()) && node.childCount() == 0;
}

} // namespace fendrel
