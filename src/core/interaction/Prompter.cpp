#include "interaction/Prompter.h"

#include "startup/LanguageTable.h"

namespace fendrel {

MessageAnswer Prompter::message(LangEntry entry, MessageIcon icon, MessageButtons buttons, const QString &suffix)
{
    return show(langText(entry) + suffix, icon, buttons, langText(LangEntry::MessageTitle));
}

bool Prompter::ask(LangEntry entry, const QString &suffix)
{
    return message(entry, MessageIcon::Question, MessageButtons::YesNo, suffix) == MessageAnswer::Yes;
}

bool Prompter::askDestructive(LangEntry entry, const QString &suffix)
{
    return message(entry, MessageIcon::Question, MessageButtons::YesNoDefaultNo, suffix) == MessageAnswer::Yes;
}

} // namespace fendrel
