#include "gui/CatalogueSteps.h"

namespace fendrel::gui {

CatalogueStep::CatalogueStep(Catalogue &catalogue, Catalogue::Snapshot before, Catalogue::Snapshot after,
                             const QString &text, std::function<void()> shown)
    : QUndoCommand(text), m_catalogue(catalogue), m_before(std::move(before)), m_after(std::move(after)),
      m_shown(std::move(shown))
{
}

void CatalogueStep::undo()
{
    m_catalogue.restore(m_before);
    m_shown();
}

void CatalogueStep::redo()
{
    if (std::exchange(m_made, false))
        return;
    m_catalogue.restore(m_after);
    m_shown();
}

} // namespace fendrel::gui
