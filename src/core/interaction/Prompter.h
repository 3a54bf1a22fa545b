#pragma once

#include "startup/LanguageEntries.h"

#include <QList>
#include <QString>

namespace fendrel {

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
// YesNo defaults to Yes; YesNoDefaultNo, for questions whose Yes destroys something, to No;
// YesNoSaveCancel (the quit question) and SaveDiscardCancel (before unsaved changes are replaced)
// to Cancel, which Esc also chooses; RestoreDiscard (unsaved changes found at start) to Restore;
// CompileAnywayCancel (a package that would open wrong) to Cancel.
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo, YesNoSaveCancel, SaveDiscardCancel, RestoreDiscard, CompileAnywayCancel };
enum class MessageAnswer { Ok, Yes, No, Save, Discard, Cancel, Restore, CompileAnyway };

// How the core asks and tells the user something. The GUI shows message boxes, the CLI writes
// to stderr and answers from its options, tests script the answers.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual MessageAnswer show(const QString &text, MessageIcon icon, MessageButtons buttons,
                               const QString &title) = 0;

    // A message whose text is a language-table entry (followed by suffix), titled by
    // LangEntry::MessageTitle.
    MessageAnswer message(LangEntry entry, MessageIcon icon, MessageButtons buttons = MessageButtons::Ok,
                          const QString &suffix = {});
    // A question answered with Yes or No.
    bool ask(LangEntry entry, const QString &suffix = {});
    // The same for a question whose Yes destroys something: No is the default button.
    bool askDestructive(LangEntry entry, const QString &suffix = {});
};

// What work running beside other work tells the user, held so that it is told in one piece once
// that work's turn comes. For work that only tells: every message is answered Ok.
class HeldMessages : public Prompter {
public:
    MessageAnswer show(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title) override;
    // Tells every held message to prompter, in the order they came, and holds none any more.
    void tellTo(Prompter &prompter);

private:
    struct Message {
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
        QString title;
    };
    QList<Message> m_held;
};

} // namespace fendrel
