#include "gui/WidgetHelpers.h"

#include "catalogue/CatalogueEditing.h"
#include "interaction/Prompter.h"
#include "startup/LanguageTable.h"

#include <QFrame>

namespace fendrel::gui {

QLabel *fileLabel(QWidget *parent, const char16_t *name)
{
    auto *label = named<QLabel>(parent, name);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(180);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setContentsMargins(4, 2, 4, 2);
    return label;
}

bool refuseUncarriable(Prompter &prompter, const QString &value, QWidget *field)
{
    const QString refusal = catalogueValueRefusal(value);
    if (refusal.isEmpty())
        return false;
    prompter.show(refusal, MessageIcon::Exclamation, MessageButtons::Ok, langText(LangEntry::MessageTitle));
    if (field)
        field->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace fendrel::gui
