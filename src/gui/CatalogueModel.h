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

private:
    const Catalogue &m_catalogue;
};

} // namespace fendrel::gui
