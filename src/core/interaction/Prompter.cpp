#include "interaction/Prompter.h"

#include "startup/LanguageTable.h"

#include <utility>

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

MessageAnswer HeldMessages::show(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title)
{
    m_held.append({text, icon, buttons, title});
    return MessageAnswer::Ok;
}

void HeldMessages::tellTo(Prompter &prompter)
{
    for (const Message &message : std::exchange(m_held, {}))
        prompter.show(message.text, message.icon, message.buttons, message.title);
}

} // namespace fendrel
