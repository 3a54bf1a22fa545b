#pragma once

#include "catalogue/Catalogue.h"

#include <QUndoCommand>

#include <functional>

namespace fendrel::gui {

// One undoable change of the catalogue, kept as the catalogue before and after it. A snapshot
// shares its texts with the catalogue, so a step costs little more than its node list. The step
// is pushed once its change was made; shown lets the window show the catalogue after each undo
// and redo.
class CatalogueStep : public QUndoCommand {
public:
    CatalogueStep(Catalogue &catalogue, Catalogue::Snapshot before, Catalogue::Snapshot after, const QString &text,
                  std::function<void()> shown);
    void undo() override;
    void redo() override;

private:
    Catalogue &m_catalogue;
    Catalogue::Snapshot m_before;
    Catalogue::Snapshot m_after;
    std::function<void()> m_shown;
    bool m_made = true; // the first redo is the change the window already made
};

} // namespace fendrel::gui
