#pragma once

#include <QTreeView>

namespace fendrel {
class CatalogueNode;
} // namespace fendrel

namespace fendrel::gui {

class CatalogueModel;

// tvlabs: the catalogue tree. It tells the window once for each node the user chooses, by click
// (even of the node already chosen) or by keyboard, and never for a node the program shows or
// that becomes current because the catalogue changed under it.
// Which sections are open is kept with the nodes, so a reloaded catalogue opens as it was read.
class CatalogueView : public QTreeView {
    Q_OBJECT
public:
    explicit CatalogueView(QWidget *parent = nullptr);

    void setCatalogueModel(CatalogueModel *model);
    CatalogueModel *catalogueModel() const { return m_model; }
    // Makes the node current and visible without telling the window.
    void showNode(const CatalogueNode *node);
    void expandNode(const CatalogueNode *node);
    CatalogueNode *currentNode() const;

Q_SIGNALS:
    void nodeChosen(CatalogueNode *node);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void expandAsStored(const QModelIndex &parent);

    CatalogueModel *m_model = nullptr;
    bool m_keyboard = false; // the current node moves because of a key the user pressed
};

} // namespace fendrel::gui
