#include "catalogue/Catalogue.h"

namespace fendrel {

Catalogue::Catalogue(QObject *parent) : QObject(parent)
{
    m_records.keyArrayInitialize();
}

const std::vector<CatalogueNode *> &Catalogue::sections() const
{
    static const std::vector<CatalogueNode *> none;
    const CatalogueNode *root = m_tree.root();
    return root ? root->children() : none;
}

const LabRecord *Catalogue::recordOf(const CatalogueNode &lab) const
{
    const qint32 i = m_records.keyArraySearch(lab.key());
    return i == -1 ? nullptr : &m_records.at(i);
}

void Catalogue::resetWith(const std::function<void()> &change)
{
    const bool outer = !m_resetting;
    if (outer) {
        Q_EMIT aboutToReset();
        m_resetting = true;
    }
    change();
    if (outer) {
        m_resetting = false;
        Q_EMIT wasReset();
        Q_EMIT changed();
    }
}

void Catalogue::changeNode(CatalogueNode *node)
{
    if (m_resetting)
        return;
    Q_EMIT nodeChanged(node);
    Q_EMIT changed();
}

Catalogue::Snapshot Catalogue::snapshot() const
{
    Snapshot s{{}, m_records, m_skus, m_keys, m_tabTitle, m_loadProblems, {}};
    const auto take = [&s](const CatalogueNode *node, const QString &parentKey) {
        s.nodes.append({parentKey, node->key(), node->text(), node->tag(), node->isExpanded()});
    };
    if (const CatalogueNode *root = m_tree.root()) {
        take(root, {});
        for (const CatalogueNode *section : root->children()) {
            take(section, root->key());
            for (const CatalogueNode *lab : section->children())
                take(lab, section->key());
        }
    }
    if (const CatalogueNode *selected = m_tree.selectedNode())
        s.selectedKey = selected->key();
    return s;
}

void Catalogue::restore(const Snapshot &s)
{
    resetWith([&] {
        m_tree.clear();
        for (const Snapshot::Node &node : s.nodes) {
            if (CatalogueNode *added = m_tree.add(node.parentKey, node.key, node.text, node.tag))
                added->setExpanded(node.expanded);
        }
        m_records = s.records;
        m_skus = s.skus;
        m_keys = s.keys;
        m_tabTitle = s.tabTitle;
        m_loadProblems = s.loadProblems;
        m_tree.select(m_tree.nodeByKey(s.selectedKey));
    });
}

void Catalogue::keyArrayInitialize()
{
    m_records.keyArrayInitialize();
}

void Catalogue::setTypedTabTitle(const QString &title)
{
    if (title == m_tabTitle)
        return;
    m_tabTitle = title;
    Q_EMIT tabTitleChanged(title);
    Q_EMIT changed();
}

void Catalogue::clear(const QString &tabTitle, const QString &tabSku)
{
    resetWith([&] {
        m_tree.clear();
        m_tabTitle = tabTitle;
        m_tree.add({}, kTabKey, tabTitle, tabSku);
    });
}

CatalogueNode *Catalogue::insertNode(CatalogueNode *parent, const QString &key, const QString &text,
                                     const QString &tag, qint32 row)
{
    const qint32 at = parent->placeOf(row);
    if (!m_resetting)
        Q_EMIT nodeAboutToBeInserted(parent, at);
    CatalogueNode *node = m_tree.add(parent->key(), key, text, tag, at);
    if (!m_resetting) {
        Q_EMIT nodeInserted(node);
        Q_EMIT changed();
    }
    return node;
}

CatalogueNode *Catalogue::insertSection(const QString &name, const QString &sku, qint32 row)
{
    CatalogueNode *root = m_tree.root();
    if (!root || m_tree.nodeByKey(sectionKey(name)))
        return nullptr;
    return insertNode(root, sectionKey(name), name, sku, row);
}

CatalogueNode *Catalogue::insertLab(CatalogueNode *section, const QString &name, std::optional<LabRecord> record,
                                    qint32 row)
{
    if (!section || m_tree.nodeByKey(section->key()) != section)
        return nullptr;
    QString key = record ? record->key : QString();
    if (key.isEmpty())
        key = m_keys.createNewKey();
    if (key.isEmpty() || m_tree.nodeByKey(key))
        return nullptr;
    // The record goes in first, so that whoever hears of the new node finds it.
    if (record) {
        record->key = key;
        m_records.keyArrayInsert(*record);
    }
    return insertNode(section, key, name, kLabTag, row);
}

bool Catalogue::updateRecord(const LabRecord &record)
{
    if (!m_records.keyArrayUpdate(record))
        return false;
    if (CatalogueNode *node = m_tree.nodeByKey(record.key))
        changeNode(node);
    return true;
}

bool Catalogue::removeNode(CatalogueNode *node)
{
    if (!node || m_tree.nodeByKey(node->key()) != node)
        return false;
    CatalogueNode *parent = node->parent();
    const qint32 row = node->row();
    if (!m_resetting)
        Q_EMIT nodeAboutToBeRemoved(node);
    m_tree.remove(node->key());
    if (!m_resetting) {
        Q_EMIT nodeRemoved(parent, row);
        Q_EMIT changed();
    }
    return true;
}

bool Catalogue::moveNode(CatalogueNode *node, CatalogueNode *newParent, qint32 row)
{
    if (!node || !newParent || !node->parent() || node->parent()->parent() != newParent->parent())
        return false;
    const qint32 at = newParent->placeOf(row);
    if (node->parent() == newParent && (at == node->row() || at == node->row() + 1))
        return true;
    Q_EMIT nodeAboutToBeMoved(node, newParent, at);
    // The view names the row before the node leaves its place; the tree names it after.
    const qint32 treeRow = node->parent() == newParent && node->row() < at ? at - 1 : at;
    if (!m_tree.move(node, newParent, treeRow))
        return false;
    Q_EMIT nodeMoved(node);
    Q_EMIT changed();
    return true;
}

bool Catalogue::moveLab(CatalogueNode *lab, CatalogueNode *section, qint32 row)
{
    if (!lab || !CatalogueTree::isLabNode(*lab) || lab->parent() == m_tree.root())
        return false;
    const CatalogueNode *from = lab->parent();
    if (!moveNode(lab, section, row))
        return false;
    if (from != section && m_records.clearSku(lab->key()))
        changeNode(lab);
    return true;
}

} // namespace fendrel
