#pragma once

#include "interaction/Prompter.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fendrel::test {

// Records every message and answers questions from a queue (Yes when it runs dry).
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
        QString title;
    };

    MessageAnswer show(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title) override
    {
        shown.append({text, icon, buttons, title});
        if (buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        return answers.isEmpty() ? MessageAnswer::Yes : answers.takeFirst();
    }

    QStringList texts() const
    {
        QStringList result;
        for (const Shown &s : shown)
            result << s.text;
        return result;
    }

    QList<Shown> shown;
    QList<MessageAnswer> answers;
};

} // namespace fendrel::test
