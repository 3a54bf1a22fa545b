#pragma once

#include <QAbstractItemModel>

namespace fendrel {
class Catalogue;
class CatalogueNode;
} // namespace fendrel

namespace fendrel::gui {

// The catalogue document as an item model: one column, the tab at the top, its sections, their
// labs. It follows the document's announcements, so every view of it stays current without
// being rebuilt.
class CatalogueModel : public QAbstractItemModel {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;

    explicit CatalogueModel(const Catalogue &catalogue, QObject *parent = nullptr);

    QModelIndex indexOf(const CatalogueNode *node) const;
    static CatalogueNode *nodeOf(const QModelIndex &index);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Dragging a lab to a place in a section, or a section to a place along the tab. The model
    // changes nothing itself: it asks the window, whose move is one undoable step.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column, const QModelIndex &parent) override;

Q_SIGNALS:
    // row is where the node goes among newParent's children, counted before it leaves its place.
    void moveRequested(fendrel::CatalogueNode *node, fendrel::CatalogueNode *newParent, int row);

private:
    CatalogueNode *draggedNode(const QMimeData *data) const;

    const Catalogue &m_catalogue;
};

} // namespace fendrel::gui
