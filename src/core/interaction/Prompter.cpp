#include "interaction/Prompter.h"

#include "startup/LanguageTable.h"

namespace fendrel {

MessageAnswer Prompter::message(int entry, MessageIcon icon, MessageButtons buttons, const QString &suffix)
{
    return show(langText(entry) + suffix, icon, buttons, langText(kMessageTitleEntry));
}

bool Prompter::ask(int entry, const QString &suffix)
{
    return message(entry, MessageIcon::Question, MessageButtons::YesNo, suffix) == MessageAnswer::Yes;
}

} // namespace fendrel
