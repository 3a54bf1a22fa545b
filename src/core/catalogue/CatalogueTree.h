#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace fendrel {

inline const QString kTabKey = QStringLiteral("ADD");
inline const QString kLabTag = QStringLiteral("Lab");

// "O" + the section name in upper case: two sections differing only in case share a key.
QString sectionKey(const QString &sectionName);

class CatalogueNode {
public:
    QString key() const { return m_key; }
    QString text() const { return m_text; }
    QString tag() const { return m_tag; }
    // Whether the tree view shows the node's children; not part of the catalogue.
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded) { m_expanded = expanded; }

    CatalogueNode *parent() const { return m_parent; }
    const std::vector<CatalogueNode *> &children() const { return m_children; }
    qint32 childCount() const { return static_cast<qint32>(m_children.size()); }
    // Where child number row goes: the end when row is out of range.
    qint32 placeOf(qint32 row) const { return row < 0 || row > childCount() ? childCount() : row; }
    CatalogueNode *firstChild() const { return m_children.empty() ? nullptr : m_children.front(); }
    CatalogueNode *nextSibling() const;
    // Position among its parent's children, from 0 (0 for a top-level node).
    qint32 row() const { return m_row; }
    // Position among all nodes of the tree in order of addition, from 1.
    qint32 index() const { return m_index; }

private:
    friend class CatalogueTree;
    CatalogueNode(QString key, QString text, QString tag, CatalogueNode *parent)
        : m_key(std::move(key)), m_text(std::move(text)), m_tag(std::move(tag)), m_parent(parent)
    {
    }

    QString m_key;
    QString m_text;
    QString m_tag;
    CatalogueNode *m_parent;
    std::vector<CatalogueNode *> m_children;
    qint32 m_index = 0;
    qint32 m_row = 0;
    bool m_expanded = false;
};

// The catalogue as a tree: the tab at the root ("ADD"), its sections, their labs.
// Keys are unique and compared exactly. Only the catalogue document changes it, so that every
// change is announced.
class CatalogueTree {
public:
    CatalogueTree() = default;
    CatalogueTree(const CatalogueTree &) = delete;
    CatalogueTree &operator=(const CatalogueTree &) = delete;

    qint32 count() const { return static_cast<qint32>(m_nodes.size()); }
    CatalogueNode *nodeByKey(const QString &key) const { return m_byKey.value(key, nullptr); }
    CatalogueNode *nodeByIndex(qint32 index) const;
    CatalogueNode *root() const;

    // Adds a node as child number row (the last when row is out of range) of parentKey's node, or
    // at the top level when parentKey is empty. Returns nullptr when the key is taken or the
    // parent does not exist.
    CatalogueNode *add(const QString &parentKey, const QString &key, const QString &text,
                       const QString &tag = {}, qint32 row = -1);
    // Gives a node another key; false when another node holds it already.
    bool rekey(CatalogueNode *node, const QString &key);
    void setText(CatalogueNode *node, const QString &text) { node->m_text = text; }
    void setTag(CatalogueNode *node, const QString &tag) { node->m_tag = tag; }
    // Makes the node child number row of newParent; false when that would put it inside itself.
    bool move(CatalogueNode *node, CatalogueNode *newParent, qint32 row);
    // Removes the node and all its descendants; the indices of later nodes close the gap.
    bool remove(const QString &key);
    void clear();

    CatalogueNode *selectedNode() const { return m_selected; }
    void select(CatalogueNode *node) { m_selected = node; }

    // A lab node is neither the tab nor a section and has no children.
    static bool isLabNode(const CatalogueNode &node);

private:
    static void renumberChildren(CatalogueNode *parent, std::size_t from);

    std::vector<std::unique_ptr<CatalogueNode>> m_nodes; // in order of addition
    QHash<QString, CatalogueNode *> m_byKey;
    CatalogueNode *m_selected = nullptr;
};

} // namespace fendrel
