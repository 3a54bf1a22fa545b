#pragma once

#include "interaction/Prompter.h"

#include <functional>

class QObject;

namespace fendrel {

// Runs call on the thread of context and waits for it; on that thread itself, directly. Work on
// another thread reaches the window this way, whose widgets belong to its own thread. The thread
// of context must be running its event loop, or the caller waits for ever.
void runOnThreadOf(QObject &context, const std::function<void()> &call);

// Lets work on another thread ask through a prompter of the thread of context (the window's, whose
// message boxes open there).
class PrompterOnThread : public Prompter {
public:
    PrompterOnThread(Prompter &target, QObject &context) : m_target(target), m_context(context) {}

    MessageAnswer show(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title) override;

private:
    Prompter &m_target;
    QObject &m_context;
};

} // namespace fendrel
